// Run in the project the npm tarball went into: the package gives its
// library's path, loads it into a better-sqlite3 Database and into any object
// with loadExtension(path), and turns away anything else.
'use strict';
const assert = require('assert');
const fs = require('fs');
const path = require('path');
const Database = require('better-sqlite3');
const korvel = require('korvel-sql');

const version = process.argv[2];
const installed = path.join(process.cwd(), 'node_modules', 'korvel-sql');
const library = korvel.getLoadablePath();
assert.strictEqual(library, path.join(installed, 'korvel_sql.so'));
assert.ok(fs.statSync(library).isFile());
const manifest = require('korvel-sql/package.json');
assert.strictEqual(manifest.version, version);
assert.deepStrictEqual([manifest.os, manifest.cpu], [['linux'], ['x64']]);
// better-sqlite3 is the usual host, but any host with loadExtension works.
assert.ok(manifest.peerDependencies['better-sqlite3']);
assert.strictEqual(manifest.peerDependenciesMeta['better-sqlite3'].optional, true);

const db = new Database(':memory:');
assert.strictEqual(korvel.load(db), db);
const got = db.prepare("SELECT max_version(column1) FROM (VALUES ('1.9'), ('1.10'), ('1.2'))")
                .pluck().get();
assert.strictEqual(got, '1.10');
assert.strictEqual(db.prepare('SELECT korvel_sql_version()').pluck().get(), version);

const asked = [];
korvel.load({loadExtension: (file) => asked.push(file)});
assert.deepStrictEqual(asked, [library]);
for (const wrong of [undefined, null, {}, 'db']) {
  assert.throws(() => korvel.load(wrong), /loadExtension\(path\)/);
}
console.log(`korvel-sql ${version}: installed, loaded into better-sqlite3, max_version gave ${got}`);
