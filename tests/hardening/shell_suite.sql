-- Every function of the library through the sqlite3 shell; the output must
-- match shell_suite.expected in a UTF-8 and in a UTF-16 database.
.mode list
.separator |
CREATE TABLE hosts(ip TEXT);
INSERT INTO hosts VALUES ('192.168.1.1'), ('10.0.0.1/24'), ('1..2'), (NULL), ('-1'), ('4294967296.1'), ('１.2');
SELECT rowid, format_ip_address(ip), ip_address_text(format_ip_address(ip)) FROM hosts;
SELECT format_ip_address(3232235777) IS NULL, ip_address_text(-1) IS NULL, ip_address_text('1') IS NULL;
CREATE TABLE releases(g INTEGER, v, s TEXT);
INSERT INTO releases VALUES (1, '1.9', '.'), (1, '1.10', '.'), (1, '1.10-beta', '.-'), (1, NULL, '.'),
  (1, '1..2', '.'), (2, '2_0_1', '_'), (2, '2.0', '.'), (2, '2_0_10', '_.'), (2, 7, '.'),
  (3, 'rc.' || printf('%.*c', 3000, 'a'), '.'), (3, 'rc.' || printf('%.*c', 9000, 'b'), '.'),
  (4, '1.é', '.'), (4, '1.z', '.'), (4, '2.😀-Ω', '-');
SELECT g, length(min_version(v)), length(max_version(v)), substr(min_version(v, s), 1, 9), substr(max_version(v, s), 1, 9) FROM releases GROUP BY g;
SELECT max_version(v), min_version(v) FROM releases WHERE 0;
SELECT max_version(v, '.', '.') IS NULL, max_version() IS NULL FROM releases;
SELECT version_compare('1.9', '1.10'), version_compare('1.10', '1.9'), version_compare('1.02', '1.2'), version_compare('2_0', '2_0_1', '_'), version_compare('1..2', '1') IS NULL;
SELECT group_concat(v, ' ') FROM (SELECT v FROM releases WHERE g IN (1, 2, 4) AND typeof(v) = 'text' ORDER BY v COLLATE version);
CREATE INDEX releases_by_version ON releases(v COLLATE version);
SELECT v FROM releases WHERE v COLLATE version BETWEEN '1.9' AND '2' ORDER BY v COLLATE version;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
  SELECT max_version(i || '.' || printf('%.*c', i % 97, 'w')), min_version('1.' || (2001 - i)), count(*) FROM n;
SELECT format_ip_address(d), length(max_version(w)), version_compare(d, d || '.1') FROM (
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)
  SELECT group_concat('1', '.') AS d, group_concat('a', '.') AS w FROM n);
SELECT length(max_version('1.' || printf('%.*c', 1000000, '7'))), format_ip_address('1.' || printf('%.*c', 1000000, '0'));
SELECT typeof(korvel_sql_version());
