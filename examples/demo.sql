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
-- == Container and Arch hosts: apk and pacman packages ==
.print 'Newest installed version of each Alpine package, by the apk order (a text sort picks r5 over r15):'
SELECT package, max(version COLLATE version_apk) AS newest, max(version) AS "max() (text order)"
  FROM apk_installed GROUP BY package ORDER BY package;
.print 'Newest installed version of each Arch package, by the pacman order (epochs first, rc before the release):'
SELECT package, max(version COLLATE version_alpm) AS newest, max(version) AS "max() (text order)"
  FROM alpm_installed GROUP BY package ORDER BY package;
