# The two commands a newcomer runs: `make demo` and `make test`.
JOBS        ?= $(shell nproc 2>/dev/null || sysctl -n hw.ncpu 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
SOAK_CYCLES ?= 1000
SYSTEM      := $(shell uname -s)
# libFuzzer comes with Debian's clang; Apple's clang has none.
FUZZ_BUILD  := $(if $(filter Darwin,$(SYSTEM)),OFF,ON)
# Apple's AddressSanitizer has no leak checker: asking for one aborts every instrumented process.
LEAK_CHECK  := $(if $(filter Darwin,$(SYSTEM)),,detect_leaks=1:)

.PHONY: demo test fuzz bench soak deps build build-test clean

deps:
	@scripts/ensure-deps.sh

# Release build of the library, the tool and the benchmarks in build/.
build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF >/dev/null
	cmake --build build -j $(JOBS)

# The build stays quiet unless it fails; then its log is shown.
demo: deps
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_TESTS=OFF >/dev/null
	@mkdir -p build && cmake --build build -j $(JOBS) > build/demo-build.log 2>&1 || { cat build/demo-build.log; exit 1; }
	@build/corvane demo

# One clang build in build-test/ serves the tests and the fuzz targets: AddressSanitizer, UBSan and
# checked standard-library access everywhere, with coverage hooks for libFuzzer.
TEST_CONFIGURE = CC=clang CXX=clang++ cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCORVANE_SANITIZE=ON -DCORVANE_FUZZ=$(FUZZ_BUILD) -DCORVANE_BENCH=OFF >/dev/null

build-test: deps
	$(TEST_CONFIGURE)
	cmake --build build-test -j $(JOBS)

# Every test, the syntax check of the macOS-only files among them.
test: build-test
	ASAN_OPTIONS=$(LEAK_CHECK)abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir build-test -j $(JOBS) --output-on-failure --timeout 300

# Each libFuzzer target for FUZZ_SECONDS, starting from its seed corpus and the seeds the sample-Mac builders
# write (copied, so runs never grow the repo). scripts/fuzz-campaign.sh runs the long, optimised campaign.
fuzz: build-test
	@set -e; rm -rf build-test/corpus/built; build-test/corvane-fuzz-seeds build-test/corpus/built >/dev/null; \
	for target in build-test/fuzz_*; do \
	  [ -x $$target ] || continue; \
	  name=$$(basename $$target); seeds=fuzz/corpus/$${name#fuzz_}; work=build-test/corpus/$$name; \
	  mkdir -p $$work; if [ -d $$seeds ]; then cp -r $$seeds/. $$work/; fi; \
	  if [ -d build-test/corpus/built/$${name#fuzz_} ]; then cp -r build-test/corpus/built/$${name#fuzz_}/. $$work/; fi; \
	  echo "== $$name for $(FUZZ_SECONDS)s"; \
	  if ! $$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$work > build-test/$$name.log 2>&1; then \
	    tail -n 60 build-test/$$name.log; echo "$$name failed"; exit 1; fi; \
	  grep -E "stat::number_of_executed_runs|Done" build-test/$$name.log | tail -n 2; \
	done

# SOAK_CYCLES uninstalls and restores of a sample Mac's app in one process, from the release build: the
# Mac must come back identical, the history hold every record, descriptors and memory stay flat.
soak: build
	cmake --build build -j $(JOBS) --target corvane_soak
	build/corvane-soak $(SOAK_CYCLES)

# Every benchmark case at its default size, then the summary table (case, figure, floor, ratio, peak memory).
# The analysis at 1,000,000 entries takes a few minutes and 2 GB of disk: `make bench BENCH_LARGE=1` adds it.
bench: build
	build/corvane-bench | tee build/bench.txt
	@if [ -n "$(BENCH_LARGE)" ]; then build/corvane-bench analyze 1000000 | tee -a build/bench.txt; fi
	@echo "== summary"; grep '^=' build/bench.txt

clean:
	rm -rf build build-test
