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
