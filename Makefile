# Entry points for a fresh Debian 12 machine: every target first installs what
# is missing (scripts/install-deps), then drives CMake into its build folder.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build demo test test-fuse asan bench fuzz format format-check clean

all: build

deps:
	@scripts/install-deps

# Each build folder is configured again whenever CMAKE_FLAGS differ from
# those it was last configured with (scripts/configure).
configure: deps
	@scripts/configure build $(CMAKE_FLAGS)

build: configure
	cmake --build build -j $(JOBS)

# The whole lifecycle in one process, offline, checking its own verdicts.
# Only the tool is built, not the tests and fuzzers: it is a new user's
# first command, so the narration is the first thing it prints. The
# configure and build output goes to build/demo-build.log, and its tail is
# shown only when the build fails.
DEMO_LOG = build/demo-build.log
demo: deps
	@mkdir -p build
	@{ scripts/configure build $(CMAKE_FLAGS) && cmake --build build -j $(JOBS) --target vevizovuvazavad; } \
	  >$(DEMO_LOG) 2>&1 || { tail -n 30 $(DEMO_LOG); echo "make demo: the build failed; all of its output is in $(DEMO_LOG)"; exit 1; }
	@build/apps/cli/vevizovuvazavad demo

test: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

# The tool's own tests again, their files on a FUSE mount (bindfs), where one can be made.
test-fuse: build
	scripts/test-on-fuse build

# -O1, as AddressSanitizer advises: unoptimised code doubles the tool's start-up.
asan: deps
	@scripts/configure build-asan -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" "-DCMAKE_C_FLAGS_DEBUG=-g -O1" -DVEVI_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)

bench: deps
	@scripts/install-deps bench
	@scripts/configure build-bench -DCMAKE_BUILD_TYPE=Release -DVEVI_BUILD_BENCHMARKS=ON -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/libs/*/*-bench build-bench/apps/*/*-bench; do echo "== $$b"; $$b --benchmark_min_time=0.2 || exit 1; done

# Coverage-guided fuzzing of the record readers and the command line with clang's libFuzzer.
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/install-deps fuzz
	@CC=clang-16 CXX=clang++-16 scripts/configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEVI_FUZZ=ON -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz --target fuzzers -j $(JOBS)
	@for f in $$(find build-fuzz/libs build-fuzz/apps -type f -name '*_fuzz' -perm -u+x); do \
	  name=$$(basename $$f); component=$$(basename $$(dirname $$f)); \
	  corpus=build-fuzz/corpus/$$name; mkdir -p $$corpus; \
	  echo "== $$name for $(FUZZ_SECONDS)s"; \
	  ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-16/bin/llvm-symbolizer \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$corpus \
	    $$(ls -d libs/$$component/tests/fixtures/$$name apps/$$component/tests/fixtures/$$name 2>/dev/null) || exit 1; \
	done

# Our C and C++ sources in the layout of .clang-format, by Debian 12's
# clang-format: `format` rewrites them, `format-check` lists what differs and fails.
SOURCES = $(shell git ls-files '*.c' '*.h' '*.cpp' '*.hpp')
format:
	@scripts/install-deps format
	@echo "clang-format-14 -i ($(words $(SOURCES)) files)"
	@clang-format-14 -i $(SOURCES)

format-check:
	@scripts/install-deps format
	@echo "clang-format-14 --dry-run -Werror ($(words $(SOURCES)) files)"
	@clang-format-14 --dry-run -Werror $(SOURCES)

clean:
	rm -rf build build-asan build-bench build-fuzz
