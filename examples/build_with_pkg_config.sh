cc using_static.c $(pkg-config --cflags --libs korvel_sql) -o using_static
