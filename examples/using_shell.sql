.load ./korvel_sql
SELECT format_ip_address('192.168.1.1');
WITH releases(version) AS (VALUES ('1.9'), ('1.10'), ('1.2'))
  SELECT max_version(version) FROM releases;
