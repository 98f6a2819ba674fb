-- A small inventory: hosts with their addresses, and product releases.
CREATE TABLE hosts(name TEXT PRIMARY KEY, ip TEXT NOT NULL);
INSERT INTO hosts VALUES
  ('gateway', '10.0.0.1'),
  ('build-01', '10.0.0.20'),
  ('build-02', '10.0.0.3'),
  ('db-primary', '10.0.1.5'),
  ('db-replica', '10.0.1.16'),
  ('web-01', '192.168.1.10'),
  ('web-02', '192.168.1.9'),
  ('printer', '172.16.4.200');

CREATE TABLE releases(product TEXT NOT NULL, version TEXT, released TEXT);
INSERT INTO releases VALUES
  ('atlas', '1.9', '2024-02-01'),
  ('atlas', '1.10', '2024-06-12'),
  ('atlas', '1.10.1', '2024-07-03'),
  ('atlas', '1.2', '2023-05-30'),
  ('beacon', '2.0-beta', '2024-01-15'),
  ('beacon', '2.0', '2024-03-01'),
  ('beacon', '2.0-rc1', '2024-02-10'),
  ('beacon', '1.9.9', '2023-12-01'),
  ('cinder', '2011/04/30', '2011-04-30'),
  ('cinder', '2011/4/9', '2011-04-09'),
  ('cinder', '2010/12/31', '2010-12-31'),
  ('drift', '0.9', '2022-08-01'),
  ('drift', '0.10', '2022-11-20'),
  ('drift', '0.10.0-1', '2022-12-02');

-- Debian packages installed on the hosts, and the versions that fix the
-- latest security advisory of each package.
CREATE TABLE installed(host TEXT NOT NULL, package TEXT NOT NULL, version TEXT NOT NULL);
INSERT INTO installed VALUES
  ('web-01', 'libexpat1', '2.5.0-1+b1'),
  ('web-02', 'libexpat1', '2.5.0-1+deb12u1'),
  ('web-01', 'sudo', '1.9.13p3-1'),
  ('db-primary', 'sudo', '1.9.13p3-1+deb12u1'),
  ('web-02', 'bind9-libs', '1:9.18.19-1~deb12u1'),
  ('db-primary', 'bind9-libs', '1:9.18.28-1~deb12u2'),
  ('build-01', 'linux-image-amd64', '6.1.119-1~bpo11+1'),
  ('build-02', 'linux-image-amd64', '6.1.123-1');

CREATE TABLE fixes(package TEXT PRIMARY KEY, fixed TEXT NOT NULL);
INSERT INTO fixes VALUES
  ('libexpat1', '2.5.0-1+deb12u1'),
  ('sudo', '1.9.13p3-1+deb12u1'),
  ('bind9-libs', '1:9.18.28-1~deb12u2'),
  ('linux-image-amd64', '6.1.119-1');

-- == IPv4 and IPv6 addresses and subnets ==
-- Interfaces as an inventory lists them, both families mixed, some written
-- loosely, one not an address at all; and the subnets they belong to.
DROP TABLE IF EXISTS interfaces;
CREATE TABLE interfaces(host TEXT NOT NULL, address TEXT NOT NULL);
INSERT INTO interfaces VALUES
  ('web-01', '10.20.1.11'),
  ('web-01', '2001:db8:4::11'),
  ('web-01', 'fe80::1%eth0'),
  ('web-02', '10.20.1.12'),
  ('web-02', '2001:DB8:4:0:0:0:0:12'),
  ('db-primary', '10.20.2.5'),
  ('db-primary', '2001:db8:4:2::5'),
  ('build-01', '10.20.9.40'),
  ('build-01', '::ffff:10.20.9.41'),
  ('build-02', '192.168.7.2'),
  ('printer', 'unknown'),
  ('vpn', '2001:db8:ff::1');
DROP TABLE IF EXISTS subnets;
CREATE TABLE subnets(name TEXT PRIMARY KEY, network TEXT NOT NULL);
INSERT INTO subnets VALUES
  ('frontend v4', '10.20.1.0/24'),
  ('backend v4', '10.20.0.0/255.255.252.0'),
  ('site v6', '2001:db8:4::/48'),
  ('frontend v6', '2001:db8:4::/64');
