-- A small inventory: hosts with their addresses, and product releases.
-- Each table is made anew, so the file can be run any number of times.
DROP TABLE IF EXISTS hosts;
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

DROP TABLE IF EXISTS releases;
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
DROP TABLE IF EXISTS installed;
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

DROP TABLE IF EXISTS fixes;
CREATE TABLE fixes(package TEXT PRIMARY KEY, fixed TEXT NOT NULL);
INSERT INTO fixes VALUES
  ('libexpat1', '2.5.0-1+deb12u1'),
  ('sudo', '1.9.13p3-1+deb12u1'),
  ('bind9-libs', '1:9.18.28-1~deb12u2'),
  ('linux-image-amd64', '6.1.119-1');

-- == OSV advisories ==
-- Security advisories for the Debian 12 packages above, in OSV form as
-- published for Debian (written out by hand; other members of the records
-- left out). OSV names Debian's source packages; the binary packages
-- installed come from them.
DROP TABLE IF EXISTS source_packages;
CREATE TABLE source_packages(package TEXT PRIMARY KEY, source TEXT NOT NULL);
INSERT INTO source_packages VALUES
  ('libexpat1', 'expat'),
  ('sudo', 'sudo'),
  ('bind9-libs', 'bind9'),
  ('linux-image-amd64', 'linux');

DROP TABLE IF EXISTS advisories;
CREATE TABLE advisories(id TEXT PRIMARY KEY, record TEXT NOT NULL);
INSERT INTO advisories VALUES
  ('DSA-5770-1', '{"id":"DSA-5770-1","aliases":["CVE-2024-45490","CVE-2024-45491","CVE-2024-45492"],
    "affected":[{"package":{"ecosystem":"Debian:12","name":"expat"},
      "ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"2.5.0-1+deb12u1"}]}]}]}'),
  ('DEBIAN-CVE-2023-42465', '{"id":"DEBIAN-CVE-2023-42465",
    "affected":[{"package":{"ecosystem":"Debian:12","name":"sudo"},
      "ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"1.9.13p3-1+deb12u1"}]}]}]}'),
  ('DSA-5621-1', '{"id":"DSA-5621-1","aliases":["CVE-2023-50387","CVE-2023-50868"],
    "affected":[{"package":{"ecosystem":"Debian:12","name":"bind9"},
      "ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"1:9.18.24-1"}]}]}]}'),
  ('DSA-5742-1', '{"id":"DSA-5742-1","aliases":["CVE-2024-0760","CVE-2024-1737","CVE-2024-1975","CVE-2024-4076"],
    "affected":[{"package":{"ecosystem":"Debian:12","name":"bind9"},
      "ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"1:9.18.28-1~deb12u2"}]}]}]}'),
  ('DSA-5818-1', '{"id":"DSA-5818-1",
    "affected":[{"package":{"ecosystem":"Debian:12","name":"linux"},
      "ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"6.1.119-1"}]}]}]}');

-- == Maven and Go dependencies ==
-- Java and Go dependencies of the services, as their build files name them.
DROP TABLE IF EXISTS dependencies;
CREATE TABLE dependencies(service TEXT NOT NULL, ecosystem TEXT NOT NULL, name TEXT NOT NULL,
                          version TEXT NOT NULL);
INSERT INTO dependencies VALUES
  ('billing', 'maven', 'jakarta.persistence:jakarta.persistence-api', '3.2.0-B02'),
  ('ledger', 'maven', 'jakarta.persistence:jakarta.persistence-api', '3.2.0'),
  ('billing', 'maven', 'com.google.guava:guava', '33.0.0-jre'),
  ('ledger', 'maven', 'com.google.guava:guava', '33.0.0-android'),
  ('search', 'maven', 'com.google.guava:guava', '32.1.3-jre'),
  ('billing', 'maven', 'org.hibernate.orm:hibernate-core', '6.4.0.Final'),
  ('ledger', 'maven', 'org.hibernate.orm:hibernate-core', '6.4.0.CR1'),
  ('gateway', 'go', 'golang.org/x/net', 'v0.25.0'),
  ('proxy', 'go', 'golang.org/x/net', 'v0.25.1-0.20240603202750-6249541f2a6c'),
  ('gateway', 'go', 'bazil.org/fuse', 'v0.0.0-20230120002735-62a210ff1fd5'),
  ('proxy', 'go', 'bazil.org/fuse', 'v0.0.0-20200424023519-3c101025617f'),
  ('gateway', 'go', 'github.com/pkg/errors', 'v0.9.1'),
  ('proxy', 'go', 'github.com/pkg/errors', 'v0.8.1+incompatible');

-- == Container and Arch hosts: apk and pacman packages ==
-- An Alpine-based container host and an Arch build host, with the packages
-- each has installed, in their own package managers' version formats.
DELETE FROM hosts WHERE name IN ('container-01', 'arch-build');
INSERT INTO hosts VALUES ('container-01', '10.0.2.7'), ('arch-build', '10.0.0.42');
DROP TABLE IF EXISTS apk_installed;
CREATE TABLE apk_installed(host TEXT NOT NULL, package TEXT NOT NULL, version TEXT NOT NULL);
INSERT INTO apk_installed VALUES
  ('container-01', 'busybox', '1.36.1-r15'),
  ('container-01', 'busybox', '1.36.1-r5'),
  ('container-01', 'openssl', '3.3.2-r0'),
  ('container-01', 'openssl', '3.3.2_rc1-r0'),
  ('container-01', 'openssl', '3.3.1_p1-r2'),
  ('container-01', 'gcc', '13.2.1_git20240309-r0'),
  ('container-01', 'gcc', '13.2.1-r0');
DROP TABLE IF EXISTS alpm_installed;
CREATE TABLE alpm_installed(host TEXT NOT NULL, package TEXT NOT NULL, version TEXT NOT NULL);
INSERT INTO alpm_installed VALUES
  ('arch-build', 'linux', '6.9.arch1-1'),
  ('arch-build', 'linux', '6.10.arch1-2'),
  ('arch-build', 'python', '3.12.4-1'),
  ('arch-build', 'python', '1:3.11.9-1'),
  ('arch-build', 'mesa', '1:24.1.3-1'),
  ('arch-build', 'mesa', '1:24.1.3rc1-1'),
  ('arch-build', 'mesa', '1:24.1.3-2');

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
