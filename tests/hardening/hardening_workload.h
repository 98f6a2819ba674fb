// The workload shared by the allocation-failure sweep and the threads test:
// tables to set up, and statements with the rows they must give. Every SQL
// function and the collation appear; a new one joins with one row here.
#pragma once

#include <string>
#include <vector>

namespace korvel::testing {

// Long words make the aggregates allocate and then regrow their copies when
// a later row replaces the winner.
inline const char* const kWorkloadSetup =
    "CREATE TABLE hosts(ip TEXT);"
    "INSERT INTO hosts VALUES ('192.168.1.1'), ('10.0.0.1/24'), ('1..2'), (NULL), ('-1'),"
    " ('4294967296.1');"
    "CREATE TABLE releases(g INTEGER, v, s TEXT);"
    "INSERT INTO releases VALUES (1, '1.9', '.'), (1, '1.10', '.'), (1, '1.10-beta', '.-'),"
    " (1, NULL, '.'), (1, '1..2', '.'), (2, '2_0_1', '_'), (2, '2.0', '.'), (2, '2_0_10', '_.'),"
    " (2, 7, '.'), (3, 'rc.' || printf('%.*c', 300, 'a'), '.'),"
    " (3, 'rc.' || printf('%.*c', 900, 'b'), '.'), (3, 'rc.' || printf('%.*c', 40, 'c'), '.');"
    "CREATE INDEX releases_by_version ON releases(v COLLATE version);";

struct workload_statement {
  const char* sql;
  std::vector<std::string> rows;  // as rendered by rows()
};

inline const std::vector<workload_statement>& workload_statements() {
  // Words order byte by byte, whatever their length.
  static const std::string kLongest =
      "3|'rc." + std::string(300, 'a') + "'|'rc." + std::string(40, 'c') + "'";
  static const std::vector<workload_statement> statements = {
      {"SELECT format_ip_address(ip) FROM hosts ORDER BY rowid",
       {"3232235777", "167772161", "65538", "NULL", "-1", "549755813633"}},
      {"SELECT g, min_version(v), max_version(v) FROM releases GROUP BY g ORDER BY g",
       {"1|'1.9'|'1.10-beta'", "2|'2_0_1'|'2.0'", kLongest}},
      {"SELECT g, min_version(v, s), max_version(v, s) FROM releases GROUP BY g ORDER BY g",
       {"1|'1.9'|'1.10-beta'", "2|'2.0'|'2_0_10'", kLongest}},
      {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
       "SELECT max_version('1.' || i || '.' || printf('%.*c', i * 20, 'w')) = "
       "'1.60.' || printf('%.*c', 1200, 'w'), min_version('1.' || (61 - i) || '.x') FROM n",
       {"1|'1.1.x'"}},
      {"SELECT version_compare('1.9', '1.10'), version_compare('2_0', '2_0_1', '_'), "
       "version_compare('1..2', '1'), version_compare(v, '1.10') FROM releases WHERE rowid = 2",
       {"-1|-1|NULL|0"}},
      // A key of 904 bytes is written to a block of its own.
      {"SELECT hex(version_key('1.10')), hex(version_key('2_0_1', '_')), version_key('1..2'), "
       "length(version_key(v)) FROM releases WHERE rowid = 11",
       {"'3101310A'|'3102303101'|NULL|904"}},
      {"SELECT ip_address_text(format_ip_address(ip)) FROM hosts WHERE rowid <= 3 ORDER BY rowid",
       {"'192.168.1.1'", "'10.0.0.1'", "'0.1.0.2'"}},
      {"SELECT group_concat(v, ' ') FROM (SELECT v FROM releases WHERE g = 1 AND v IS NOT NULL "
       "ORDER BY v COLLATE version)",
       {"'1..2 1.9 1.10 1.10-beta'"}},
      {"SELECT v FROM releases WHERE v > '2_0' COLLATE version AND g = 2 ORDER BY v COLLATE "
       "version",
       {"'2_0_1'", "'2_0_10'", "'2.0'"}},
      // Each package manager's order: compare, a short and a long key (a
      // block of its own), and the collation with a text it rejects; and for
      // the orders that check while they write a key, a long text rejected
      // once its block is taken.
      {"SELECT version_compare_deb('1.0~rc1', '1.0'), length(version_key_deb('1.0~rc1')) > 0, "
       "length(version_key_deb(replace(printf('%.*c', 200, 'x'), 'x', '1.') || '1')) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0'), ('x'), ('1.0~rc1')) ORDER BY x COLLATE "
       "version_deb))",
       {"-1|1|1|'x 1.0~rc1 1.0'"}},
      {"SELECT version_compare_rpm('1.0~rc1', '1.0'), length(version_key_rpm('1.0~rc1')) > 0, "
       "version_key_rpm(printf('%.*c', 300, '1') || char(0)) IS NULL, "
       "length(version_key_rpm(replace(printf('%.*c', 200, 'x'), 'x', '1.') || '1')) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0'), (''), ('1.0~rc1')) ORDER BY x COLLATE "
       "version_rpm))",
       {"-1|1|1|1|' 1.0~rc1 1.0'"}},
      {"SELECT version_compare_semver('1.0.0-alpha', '1.0.0'), "
       "length(version_key_semver('1.0.0-alpha')) > 0, "
       "version_key_semver(printf('%.*c', 300, '1')) IS NULL, "
       "length(version_key_semver('1.0.0-' || replace(printf('%.*c', 116, 'x'), 'x', 'a.') || "
       "'a')) > 256, (SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0.0'), ('1.0'), ('1.0.0-alpha')) ORDER BY x COLLATE "
       "version_semver))",
       {"-1|1|1|1|'1.0 1.0.0-alpha 1.0.0'"}},
      {"SELECT version_compare_pep440('1.0.dev1', '1.0'), length(version_key_pep440('1.0.dev1')) > "
       "0, version_key_pep440(printf('%.*c', 300, 'x')) IS NULL, "
       "length(version_key_pep440(replace(printf('%.*c', 200, 'x'), 'x', '1.') || '1')) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0'), ('x'), ('1.0.dev1')) ORDER BY x COLLATE "
       "version_pep440))",
       {"-1|1|1|1|'x 1.0.dev1 1.0'"}},
      // Each order's aggregates, their winners growing past the inline copy.
      {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
       "SELECT max_version_deb('1.' || i || '.' || printf('%.*c', i * 2, 'w')) = "
       "'1.60.' || printf('%.*c', 120, 'w'), min_version_rpm('1.' || (61 - i)), "
       "max_version_semver('1.0.' || i), min_version_pep440('1.' || i || '.dev0') FROM n",
       {"1|'1.1'|'1.0.60'|'1.1.dev0'"}},
      // A string with an escape takes the OSV reader's one allocation.
      {"SELECT osv_affected('{\"package\":{\"ecosystem\":\"Debian:12\"},\"ranges\":[{\"type\":"
       "\"ECOSYSTEM\",\"events\":[{\"introduced\":\"0\"},{\"fixed\":\"2.5.0-1+deb12u1\"}]}]}', "
       "'2.5.0-1'), osv_affected('{\"package\":{\"ecosystem\":\"Deb\\u0069an:12\"},"
       "\"versions\":[\"2.5.0-1\"]}', v), osv_affected('{}', 1) FROM releases WHERE rowid = 1",
       {"1|0|NULL"}},
      // Constraint ranges, parsed once and kept as auxdata for the scan; a
      // version whose key is too long for the stack; and the errors, whose
      // message is itself allocated.
      {"SELECT group_concat(coalesce(version_satisfies_deb(column1, '>= 1.0, << 2.0 || = 3'), "
       "'N'), ' '), group_concat(coalesce(version_satisfies_rpm(column1, '< 1.0~rc1 || > 2.0, != "
       "3'), 'N'), ' ') FROM (VALUES ('1.5'), ('2.0'), ('3'), ('x'), ('0.9'), ('1.' || "
       "printf('%.*c', 300, '1')))",
       {"'1 0 1 N 0 1'|'0 0 0 1 1 0'"}},
      {"SELECT group_concat(coalesce(version_satisfies(v, '>= 1.9, < 2.0.5 || >= rc.b', s), 'N'), "
       "' '), group_concat(coalesce(version_satisfies(v, '> 1.9'), 'N'), ' ') FROM releases",
       {"'1 1 1 N N 0 1 0 N 0 1 1'|'0 1 1 N N 1 1 1 N 1 1 1'"}},
      {"SELECT group_concat(coalesce(version_in_vers(column1, column2), 'N'), ' ') FROM (VALUES "
       "('1.5', 'vers:deb/>=1.0|<2.0'), ('2.0', 'vers:deb/>=1.0|<2.0'), ('1.0.0-rc.1', "
       "'vers:npm/<1.0.0|>=2.0.0'), ('1.0rc1', 'vers:pypi/>=1.0'), ('1.0', 'vers:nuget/*'), "
       "('1.' || printf('%.*c', 300, '1'), 'vers:rpm/>1.0|!=1.5'), ('x', 'vers:deb/*'))",
       {"'1 0 1 0 N 1 N'"}},
      {"SELECT version_satisfies_deb('1.0', '< 1.0')",
       {"error: version_satisfies_deb: malformed range: '< 1.0': Debian's bare '<' and '>' are "
        "deprecated: write '<<', '<=', '>=' or '>>'"}},
      {"SELECT version_in_vers('1.0', 'vers:deb/1.0|1.0')",
       {"error: version_in_vers: malformed vers: 'vers:deb/1.0|1.0'"}},
      // npm's range grammar: every form, and a set long enough to regrow the
      // compiled form's arrays, parsed once for the rows.
      {"SELECT group_concat(version_satisfies_semver(column1, '>=1.0.0 <2.0.0 || ^3.0.0-rc.1 || "
       "4.1 - 4.2.x || ~5 || 6.x 7 8 9 10 11 12 13 14 15'), '') FROM (VALUES ('1.5.0'), "
       "('3.0.0-rc.2'), ('4.2.9'), ('x'), ('5.1.0-rc.1'))",
       {"'1110'"}},
      // PEP 440 specifier sets: one kept for the rows of a scan, one with
      // wildcards and "===", and a long one.
      {"SELECT group_concat(coalesce(version_satisfies_pep440(column1, '~=1.0, !=1.3.*'), 'n'), "
       "'') || version_satisfies_pep440('1!2.0', '==1!2.*, ===1!2.0') || "
       "version_satisfies_pep440('1.0', replace(printf('%.*c', 100, 'x'), 'x', '>=0.1,') || "
       "'<2') FROM (VALUES ('1.0'), ('1.3.1'), ('1.4rc1'), ('1.5+local'), ('2.0'), ('x'))",
       {"'10010n11'"}},
      {"SELECT version_compare_maven('1.0-SNAPSHOT', '1.0'), "
       "length(version_key_maven('1.0-SNAPSHOT')) > 0, version_key_maven(char(0)) IS NULL, "
       "length(version_key_maven(printf('%.*c', 300, 'x'))) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0'), (''), ('1.0-rc1')) ORDER BY x COLLATE "
       "version_maven))",
       {"-1|1|1|1|' 1.0-rc1 1.0'"}},
      {"SELECT version_compare_go('v1.0.0-pre', 'v1.0.0'), length(version_key_go('v1')) > 0, "
       "version_key_go('1.0.0') IS NULL, "
       "length(version_key_go('v1.0.0-' || replace(printf('%.*c', 130, 'x'), 'x', 'a.') || "
       "'a')) > 256, (SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('v1.0.0'), ('1.0'), ('v1.0.0-pre')) ORDER BY x COLLATE "
       "version_go))",
       {"-1|1|1|1|'1.0 v1.0.0-pre v1.0.0'"}},
      {"SELECT version_compare_gem('1.0.a', '1.0'), length(version_key_gem('1.0.a')) > 0, "
       "version_key_gem(printf('%.*c', 300, '1') || 'x') IS NULL, "
       "length(version_key_gem(replace(printf('%.*c', 200, 'x'), 'x', '1.') || '1')) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0'), ('x'), ('1.0.a')) ORDER BY x COLLATE "
       "version_gem))",
       {"-1|1|1|1|'x 1.0.a 1.0'"}},
      {"SELECT version_compare_composer('1.0-beta1', '1.0'), "
       "length(version_key_composer('1.0-beta1')) > 0, "
       "version_key_composer(printf('%.*c', 300, '1')) IS NULL, "
       "length(version_key_composer('dev-' || printf('%.*c', 300, 'x'))) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0'), ('x'), ('1.0-beta1')) ORDER BY x COLLATE "
       "version_composer))",
       {"-1|1|1|1|'x 1.0-beta1 1.0'"}},
      {"SELECT version_compare_apk('1.2.3_alpha', '1.2.3'), "
       "length(version_key_apk('1.2.3_alpha')) > 0, "
       "version_key_apk(printf('%.*c', 300, '1') || '-r') IS NULL, "
       "length(version_key_apk('1' || replace(printf('%.*c', 200, 'x'), 'x', '.1'))) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0-r1'), ('x'), ('1.0_rc1')) ORDER BY x COLLATE "
       "version_apk))",
       {"-1|1|1|1|'x 1.0_rc1 1.0-r1'"}},
      {"SELECT version_compare_alpm('1.0', '1.0-1'), length(version_key_alpm('1.0-1')) > 0, "
       "length(version_key_alpm(replace(printf('%.*c', 200, 'x'), 'x', '1.') || '1')) > 256, "
       "(SELECT group_concat(x, ' ') FROM "
       "(SELECT column1 AS x FROM (VALUES ('1.0-1'), (''), ('1.0')) ORDER BY x COLLATE "
       "version_alpm))",
       {"0|1|1|' 1.0 1.0-1'"}},
      {"SELECT typeof(korvel_sql_version())", {"'text'"}},
      // The strict address functions; a zone this long is written to a block
      // of its own.
      {"SELECT ip_text('2001:DB8::1'), ip_text('fe80::1%' || printf('%.*c', 100, 'z')) = "
       "'fe80::1%' || printf('%.*c', 100, 'z'), ip_family('10.0.0.0/8'), "
       "ip_network('10.1.2.3', 24), ip_network('2001:db8::1/32'), "
       "ip_network_first('10.0.0.0/255.0.0.0'), ip_network_last('10.0.0.0/0.255.255.255'), "
       "ip_masklen('::/64'), ip_contains('10.0.0.0/8', '10.1.2.3'), hex(ip_key('10.0.0.0/8'))",
       {"'2001:db8::1'|1|4|'10.1.2.0/24'|'2001:db8::/32'|'10.0.0.0'|'10.255.255.255'|64|1|"
        "'040A00000008'"}},
      {"SELECT group_concat(x, ' ') FROM (SELECT column1 AS x FROM (VALUES ('::1'), "
       "('10.0.0.1'), ('x'), ('10.0.0.0/8'), ('0::1')) ORDER BY x COLLATE ip)",
       {"'x 10.0.0.0/8 10.0.0.1 0::1 ::1'"}},
  };
  return statements;
}

}  // namespace korvel::testing
