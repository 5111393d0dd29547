# Front end to CMake.
#   make run       build a release tbcalc, and only it, and start the dialogue
#   make test      install what the suite needs (or say what), build and run
#                  the whole test suite through CTest
#   make sanitize  the suite again, built with AddressSanitizer and UBSan
#   make matrix    GCC and Clang at -O0, -O2, -O3 -march=native: identical output
#                  of tbcalc, tbforward and tbretrieve
#   make fuzz      build the libFuzzer targets and run each for FUZZ_SECONDS
#   make bench     micro-benchmarks (medians of five interleaved runs), the
#                  intervals' coverage table, the whole-process and table
#                  benchmarks, then the Python ones (numpy against C++, dask
#                  workers against one thread), the browser page's size, start and speed
#   make web       the browser page, $(BUILD_DIR)/web/tbcalc.html (needs emscripten)
#   make docs      the documentation, with Sphinx, into $(BUILD_DIR)/docs/html
#   make package   the Debian packages tbcalc, libtbcalc-dev and python3-tbcalc
#                  in build/
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60
PYTHON ?= /usr/bin/python3

.PHONY: all configure build run web test test-packages sanitize matrix fuzz bench docs package clean

all: build

# The release tree in $(BUILD_DIR), configured the same way for every target
# that builds in it.
configure:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The dialogue needs its program alone, seconds to build where the whole tree
# with its tests and benchmarks takes minutes.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tbcalc
	@$(BUILD_DIR)/src/dialogue/tbcalc

web: configure
	@command -v emcmake > /dev/null || { echo "make web needs emscripten:" \
	  "sudo apt-get install emscripten"; exit 1; }
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tbcalc_web

test: test-packages
	$(MAKE) build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# Before anything is built: the Debian packages the whole suite needs.
test-packages:
	@scripts/debian_packages.sh test

# The whole suite built with AddressSanitizer and UBSan. The Python entries
# run the sanitized module in build-sanitize/python/python3-sanitized: python3
# with the sanitizers' run-times loaded first and no leak check, for the
# interpreter never frees what it holds at exit. Five entries are left out:
# valgrind_sessions, as Valgrind cannot run a program built with
# AddressSanitizer; deb_packages and pip_wheel, as a sanitized build is
# never packaged; web_page and web_bench_smoke, as the page is WebAssembly
# that the release build makes.
sanitize:
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTBCALC_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-sanitize -j $(JOBS)
	ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --test-dir build-sanitize --output-on-failure -j $(JOBS)

# Six builds of the programs alone; the inputs come from the session
# generator of $(BUILD_DIR).
matrix: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target session_generator
	scripts/compiler_matrix.sh build-matrix $(BUILD_DIR)/tests/session_generator

fuzz:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTBCALC_BUILD_FUZZERS=ON -DTBCALC_BUILD_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS)
	scripts/run_fuzzers.sh build-fuzz/fuzz $(FUZZ_SECONDS)

bench: build
	$(BUILD_DIR)/bench/micro_bench --benchmark_repetitions=5 --benchmark_min_time=0.2 \
	  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
	$(BUILD_DIR)/bench/coverage_table
	$(BUILD_DIR)/bench/process_bench $(BUILD_DIR)/src/dialogue/tbcalc \
	  $(BUILD_DIR)/bench/minimal_prompt $(BUILD_DIR)/tests/session_generator
	$(BUILD_DIR)/bench/table_bench $(BUILD_DIR)/src/tbforward/tbforward \
	  $(BUILD_DIR)/src/tbretrieve/tbretrieve $(BUILD_DIR)/src/dialogue/tbcalc \
	  $(BUILD_DIR)/tests/session_generator
	@if [ -e $(BUILD_DIR)/python/tbcalc/__init__.pyi ]; then \
	  PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) bench/python_bench.py \
	    $(BUILD_DIR)/bench/six_channels_loop; \
	  PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) bench/dask_bench.py; \
	else echo "python_bench: the Python module was not built"; fi
	@if [ -e $(BUILD_DIR)/web/tbcalc.html ]; then \
	  PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) bench/web_bench.py $(BUILD_DIR)/web/tbcalc.html \
	    $(BUILD_DIR)/src/tbforward/tbforward $(BUILD_DIR)/src/tbretrieve/tbretrieve; \
	else echo "web_bench: the page was not built"; fi

# The documentation into $(BUILD_DIR)/docs/html, warnings as errors; the
# Python API's pages come from the built package.
docs: build
	TBCALC_BUILD_DIR=$(CURDIR)/$(BUILD_DIR) $(PYTHON) -m sphinx -W --keep-going -q -b html \
	  docs $(BUILD_DIR)/docs/html
	@echo "documentation in $(BUILD_DIR)/docs/html/index.html"

package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-matrix build-fuzz build-wheel tbcalc.egg-info
