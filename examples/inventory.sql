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
