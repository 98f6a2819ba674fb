import sqlite3

connection = sqlite3.connect(":memory:")
connection.enable_load_extension(True)
connection.load_extension("./korvel_sql")
connection.enable_load_extension(False)

for sql in ["SELECT format_ip_address('192.168.1.1')",
            "WITH releases(version) AS (VALUES ('1.9'), ('1.10'), ('1.2'))"
            " SELECT max_version(version) FROM releases"]:
    print(connection.execute(sql).fetchone()[0])
