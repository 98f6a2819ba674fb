.mode box
.print 'Hosts in 10.0.0.0/16, in address order (a text sort would put 10.0.0.20 before 10.0.0.3):'
SELECT name, ip, format_ip_address(ip) AS address
  FROM hosts
 WHERE format_ip_address(ip) BETWEEN format_ip_address('10.0.0.0') AND format_ip_address('10.0.255.255')
 ORDER BY address;
.print 'Newest and oldest release per product, next to what plain max() says:'
SELECT product,
       max_version(version) AS newest,
       min_version(version) AS oldest,
       max(version) AS "max() (text order)"
  FROM releases GROUP BY product ORDER BY product;
.print 'The whole newest release row per product, through the version collation:'
SELECT product, max(version COLLATE version) AS newest, released
  FROM releases GROUP BY product ORDER BY product;
.print 'Hosts that still lack a security fix by the Debian order, next to what the default order says:'
SELECT host, package, version AS installed, fixed,
       version COLLATE version_deb < fixed AS lacks_fix,
       version_compare(version, fixed) < 0 AS "default order says"
  FROM installed JOIN fixes USING (package)
 ORDER BY lacks_fix DESC, host, package;
.print 'Newest installed version of each package, by the Debian order:'
SELECT package, max(version COLLATE version_deb) AS newest, host
  FROM installed GROUP BY package ORDER BY package;
-- == IPv4 and IPv6 addresses and subnets ==
CREATE INDEX IF NOT EXISTS interfaces_by_address ON interfaces(ip_key(address));
.print 'Interfaces in each subnet, both families, through the index on ip_key(address):'
SELECT s.name AS subnet, ip_network(s.network) AS network, i.host, ip_text(i.address) AS address
  FROM subnets AS s JOIN interfaces AS i
    ON ip_key(i.address) BETWEEN ip_key(s.network) AND ip_key(ip_network_last(s.network))
 ORDER BY s.name, i.address COLLATE ip;
.print 'Its plan: a SEARCH of the index for each subnet, not a scan of the interfaces:'
EXPLAIN QUERY PLAN
SELECT s.name, i.host
  FROM subnets AS s JOIN interfaces AS i
    ON ip_key(i.address) BETWEEN ip_key(s.network) AND ip_key(ip_network_last(s.network));
.print 'Interfaces grouped by /24 (IPv4) and /64 (IPv6):'
SELECT ip_network(address, CASE ip_family(address) WHEN 4 THEN 24 ELSE 64 END) AS network,
       count(*) AS interfaces, group_concat(host, ' ') AS hosts
  FROM interfaces WHERE ip_family(address) IS NOT NULL
 GROUP BY network ORDER BY network COLLATE ip;
.print 'Every interface in address order, both families in one column (COLLATE ip):'
SELECT host, address, ip_text(address) AS canonical
  FROM interfaces ORDER BY address COLLATE ip;
