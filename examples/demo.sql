.mode box
.nullvalue NULL
.print 'Debian packages: the newest installed version of each, by the Debian order, next to the default order:'
SELECT package, max_version_deb(version) AS newest,
       max_version(version) AS "default order (wrong here)"
  FROM installed GROUP BY package ORDER BY package;
.print 'Hosts that still lack a security fix, by the Debian order (COLLATE on one side of the comparison):'
SELECT host, package, version AS installed, fixed
  FROM installed JOIN fixes USING (package)
 WHERE version COLLATE version_deb < fixed
 ORDER BY host, package;
.print 'The host that runs the newest version of each package (the whole row, through the collation):'
SELECT package, max(version COLLATE version_deb) AS newest, host
  FROM installed GROUP BY package ORDER BY package;
.print 'Product releases, free-form names: newest and oldest by the default order, next to plain max():'
SELECT product,
       max_version(version) AS newest,
       min_version(version) AS oldest,
       max(version) AS "max() (text order)"
  FROM releases GROUP BY product ORDER BY product;
.print 'The default order ranks 2.0-rc1 above 2.0 (a longer version is higher); where the names are Python-style, the PEP 440 order ranks a release above its candidates (NULL: not a PEP 440 version):'
SELECT product, max_version(version) AS "default order", max_version_pep440(version) AS "PEP 440 order"
  FROM releases GROUP BY product ORDER BY product;
.print 'The whole newest release row per product, through the version collation:'
SELECT product, max(version COLLATE version) AS newest, released
  FROM releases GROUP BY product ORDER BY product;
.print 'Hosts in 10.0.0.0/16, in address order (a text sort would put 10.0.0.20 before 10.0.0.3):'
SELECT name, ip, format_ip_address(ip) AS address
  FROM hosts
 WHERE format_ip_address(ip) BETWEEN format_ip_address('10.0.0.0') AND format_ip_address('10.0.255.255')
 ORDER BY address;
-- == OSV advisories ==
.print 'Which hosts are affected by which advisory, from the OSV records (osv_affected over json_each of "affected"):'
SELECT a.id AS advisory, i.host, i.package, i.version AS installed,
       json_extract(e.value, '$.ranges[0].events[#-1].fixed') AS fixed
  FROM advisories AS a, json_each(a.record, '$.affected') AS e
  JOIN source_packages AS s ON s.source = json_extract(e.value, '$.package.name')
  JOIN installed AS i ON i.package = s.package
 WHERE json_extract(e.value, '$.package.ecosystem') = 'Debian:12'
   AND osv_affected(e.value, i.version)
 ORDER BY a.id, i.host;
-- == Maven and Go dependencies ==
.print 'Newest version of each Java and Go dependency, by its own ecosystem, next to the default order:'
SELECT ecosystem, name,
       CASE ecosystem WHEN 'maven' THEN max(version COLLATE version_maven)
                      ELSE max(version COLLATE version_go) END AS newest,
       max_version(version) AS "default order says"
  FROM dependencies GROUP BY ecosystem, name ORDER BY ecosystem, name;
-- == Container and Arch hosts: apk and pacman packages ==
.print 'Newest installed version of each Alpine package, by the apk order (a text sort picks r5 over r15):'
SELECT package, max(version COLLATE version_apk) AS newest, max(version) AS "max() (text order)"
  FROM apk_installed GROUP BY package ORDER BY package;
.print 'Newest installed version of each Arch package, by the pacman order (epochs first, rc before the release):'
SELECT package, max(version COLLATE version_alpm) AS newest, max(version) AS "max() (text order)"
  FROM alpm_installed GROUP BY package ORDER BY package;
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
