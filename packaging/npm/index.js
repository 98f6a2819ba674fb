'use strict';
// The korvel_sql SQLite extension, for better-sqlite3 or any database object
// with a loadExtension(path) method.
const path = require('path');

// The full path of the packaged korvel_sql.so.
function getLoadablePath() {
  return path.join(__dirname, 'korvel_sql.so');
}

// Loads the extension into `db` and returns `db`.
function load(db) {
  if (db === null || typeof db !== 'object' || typeof db.loadExtension !== 'function') {
    throw new TypeError('korvel-sql: load(db) needs a database with a loadExtension(path) ' +
                        'method, such as a better-sqlite3 Database');
  }
  db.loadExtension(getLoadablePath());
  return db;
}

module.exports = {getLoadablePath, load};
