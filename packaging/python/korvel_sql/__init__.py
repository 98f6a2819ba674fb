"""The korvel_sql SQLite extension for Python's sqlite3 module.

    connection.enable_load_extension(True)
    korvel_sql.load(connection)
    connection.enable_load_extension(False)
"""
import os
import sqlite3

__all__ = ["__version__", "loadable_path", "load"]

# Filled in when the wheel is built.
__version__ = "@VERSION@"


def loadable_path():
    """The full path of the packaged korvel_sql.so, for load_extension()."""
    return os.path.join(os.path.dirname(os.path.abspath(__file__)), "korvel_sql.so")


def load(connection):
    """Loads the extension into `connection`, an sqlite3.Connection (or any
    object with a load_extension method). Where the Python build asks for it,
    extension loading must already be enabled on the connection
    (connection.enable_load_extension(True)); this leaves that setting as it
    finds it."""
    if not hasattr(connection, "load_extension"):
        if isinstance(connection, sqlite3.Connection):
            raise sqlite3.NotSupportedError(
                "this Python's sqlite3 module was built without extension loading "
                "(no Connection.load_extension)")
        raise TypeError("korvel_sql.load() takes an sqlite3.Connection, not "
                        f"{type(connection).__name__}: sqlite3.connect(...) gives one")
    try:
        connection.load_extension(loadable_path())
    except sqlite3.OperationalError as error:
        if "not authorized" not in str(error):
            raise
        raise sqlite3.OperationalError(
            "extension loading is not enabled on this connection: call "
            "connection.enable_load_extension(True) before korvel_sql.load(connection)"
        ) from error
