/** The full path of the packaged korvel_sql.so. */
export function getLoadablePath(): string;
/** Loads the extension into `db` (a better-sqlite3 Database, or any object with loadExtension(path)); returns `db`. */
export function load<T extends {loadExtension(path: string): unknown}>(db: T): T;
