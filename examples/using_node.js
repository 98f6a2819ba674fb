const Database = require('better-sqlite3');

const db = new Database(':memory:');
db.loadExtension('./korvel_sql');

for (const sql of ["SELECT format_ip_address('192.168.1.1')",
                   "WITH releases(version) AS (VALUES ('1.9'), ('1.10'), ('1.2'))" +
                   ' SELECT max_version(version) FROM releases']) {
  console.log(db.prepare(sql).pluck().get());
}
