# Front door to the CMake presets. `make demo` and `make test` are all a
MAKEFLAGS += --no-print-directory
# newcomer needs; both install missing Debian packages first.
.PHONY: demo library test check build dist bench format deps clean

demo: library
	@scripts/demo build/default/korvel_sql

# The library alone: build/default/korvel_sql.so and libkorvel_sql.a.
library:
	@scripts/install-deps build
	@cmake --preset default >/dev/null
	@cmake --build --preset default --target korvel_sql korvel_sql_static

test:
	@scripts/install-deps test
	@scripts/test-all

# The default build's tests only: the quick loop while editing. The dist
# tests check dist/ as `make dist` left it, so they are left to `make test`.
check: build
	@ctest --preset default --label-exclude dist

build:
	@scripts/install-deps build
	@cmake --preset default >/dev/null
	@cmake --build --preset default

# The release artifacts in dist/ (scripts/dist says which).
dist:
	@scripts/install-deps dist
	@scripts/dist

# Everything in bench/; with BENCH_ARGS, only the korvel_bench groups asked for.
bench:
	@scripts/install-deps bench
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench
	@build/bench/bench/korvel_bench build/bench/korvel_sql.so $(BENCH_ARGS)
	@$(if $(BENCH_ARGS),,bench/shell_uint.py build/bench/korvel_sql.so)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build dist
