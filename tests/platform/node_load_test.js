// Loads the extension into Node through better-sqlite3 and checks what comes
// back, 64-bit integers included (read as BigInt, beyond a double's range).
'use strict';
const assert = require('node:assert/strict');
const Database = require('better-sqlite3');

const db = new Database(':memory:');
db.loadExtension(process.argv[2]);

const checks = [
  ["SELECT format_ip_address('10.0.0.1')", 167772161n],
  ["SELECT format_ip_address('1.2.3.4.5.6.7.8')", 0x0102030405060708n],
  ["SELECT format_ip_address('255.255.255.255.255.255.255.255')", -1n],
  ['SELECT format_ip_address(42)', null],
  ["SELECT max_version(column1) FROM (VALUES ('1.9'), ('1.10'), (NULL))", '1.10'],
  ["SELECT min_version(column1) FROM (VALUES ('2.0-beta'), ('2.0'))", '2.0'],
  ["SELECT max_version(column1, '_') FROM (VALUES ('1_2'), ('1_10'))", '1_10'],
];
for (const [sql, expected] of checks) {
  assert.equal(db.prepare(sql).pluck().safeIntegers().get(), expected, sql);
}
assert.throws(() => db.prepare('SELECT format_ip_address()').get(), /wrong number of arguments/);
// A JavaScript number is bound as REAL; an integral one is an address number.
const text = db.prepare('SELECT ip_address_text(?)').pluck();
assert.equal(text.get(3232235777), '192.168.1.1');
assert.equal(text.get(3232235777.5), null);
assert.equal(text.get(2 ** 32), null);

const plain = new Database(':memory:');
assert.throws(() => plain.prepare("SELECT format_ip_address('1.2')").get(), /no such function/);
console.log(`node better-sqlite3: ${checks.length + 5} checks ok`);
