# The two commands of the README, and a few more.
#   make run     set up, build and start the game
#   make test    set up, build with warnings as errors, run every test
#   make bench   set up, build in release mode and run the benchmarks
#   make server  set up, build and start the dedicated server
#                (options in SERVER_ARGS, e.g. SERVER_ARGS="--port 7778")
#   make install set up, build and install the game and the server under
#                PREFIX (default /usr/local), inside DESTDIR when that is set
#   make check-asan  every test under AddressSanitizer and UndefinedBehaviorSanitizer
#   make check-tsan  the tests that run threads under ThreadSanitizer
#   make soak    the 30-minute soak of the dedicated server (SOAK_ARGS)
#   make mutants mutation testing of the rules: which one-line change would
#                no test notice? Long; results kept in build/mutants/
#                (MUTANTS_ARGS, e.g. MUTANTS_ARGS="--only hooks")
#   make windows the Windows programs and build-windows/skorvia-windows.zip
#   make test-windows  the Windows build's tests under Wine, and the
#                comparisons with the Linux builds (part of `make test`
#                when Wine is installed)
# Builds go to build/ (release: build-release/, fuzzing: build/clang-fuzz/,
# the clang golden game: build/clang-golden/,
# sanitizers: build-asan/ and build-tsan/, the soak: build-soak/, Windows:
# build-windows/).
SHELL := /bin/bash
.SHELLFLAGS := -eu -o pipefail -c

BUILD ?= build
RELEASE_BUILD ?= build-release
PREFIX ?= /usr/local
FUZZ_BUILD ?= $(BUILD)/clang-fuzz
CLANG_BUILD ?= $(BUILD)/clang-golden
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
SOAK_BUILD ?= build-soak
WINDOWS_BUILD ?= build-windows
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SOURCES := $(wildcard fuzz/fuzz_*.cpp)
# The set-up script names the cached SDL3 and font; read only after it ran.
DEPS_ARGS = $$(scripts/setup.sh --print-cmake-args)
WINDOWS_DEPS_ARGS = $$(scripts/setup.sh --print-windows-cmake-args)

.PHONY: all setup run test bench server build configure fuzz install clean check-asan check-tsan soak \
	mutants golden-clang windows test-windows configure-test configure-windows

all: build

setup:
	@scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(DEPS_ARGS) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: configure
	cmake --build $(BUILD) -j $(JOBS) --target skorvia
	./$(BUILD)/skorvia

configure-test: setup
	cmake -S . -B $(BUILD) -G Ninja $(DEPS_ARGS) -DSKORVIA_WERROR=ON -DSKORVIA_FUZZ_BINARY_DIR=$(abspath $(FUZZ_BUILD)) -DSKORVIA_CLANG_BINARY_DIR=$(abspath $(CLANG_BUILD)) $(CMAKE_ARGS)

test: configure-test
	cmake --build $(BUILD) -j $(JOBS)
	$(MAKE) --no-print-directory fuzz
	$(MAKE) --no-print-directory golden-clang
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	@# The Windows build's tests, when Wine is there to run them.
	if command -v wine >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then \
	  $(MAKE) --no-print-directory test-windows; \
	else \
	  echo "no Wine or mingw-w64 here: the Windows build's tests are skipped"; \
	fi

# The Windows tree: always with warnings as errors, so that `make windows`
# and `make test-windows` share one configuration. The client is in it once
# SDL3 for Windows is built (`make windows` builds it).
configure-windows:
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja $(WINDOWS_DEPS_ARGS) -DSKORVIA_WERROR=ON \
	  -DSKORVIA_LINUX_BINARY_DIR=$(abspath $(BUILD)) $(CMAKE_ARGS)

windows:
	@scripts/setup.sh --windows
	$(MAKE) --no-print-directory configure-windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	@echo "built $(WINDOWS_BUILD)/skorvia-windows.zip"

# The Windows programs' tests under Wine, then the comparisons with the Linux
# builds: the same bits as the Linux gcc and clang builds, and a game of a
# Windows player with a Linux one on the Linux server, and the Windows
# registry client against the Linux registry.
WINDOWS_TEST_TARGETS := core_tests session_tests fmath_check determinism_O0 determinism_O2 skorvia_peer skorvia-server \
	skorvia_registry_probe
test-windows: configure-test
	cmake --build $(BUILD) -j $(JOBS) --target skorvia-server dedicated_tests registry_tests fmath_check determinism_O2
	$(MAKE) --no-print-directory golden-clang
	$(MAKE) --no-print-directory configure-windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target $(WINDOWS_TEST_TARGETS)
	@# The Wine prefix is made once, before the tests start in parallel.
	env -u DISPLAY WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine-prefix WINEDEBUG=-all wineboot --init
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) -L windows

# The libFuzzer targets: a clang build of the core and fuzz/fuzz_*.cpp.
fuzz:
ifneq ($(FUZZ_SOURCES),)
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DSKORVIA_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target skorvia_fuzzers
else
	@echo "no fuzz targets (fuzz/fuzz_*.cpp)"
endif

# The golden game built by clang in a tree of its own (no client, no
# sanitizers): the test determinism_clang compares its world hashes with the
# main tree's, and the Windows tree its hashes and float results.
golden-clang:
	CC=clang CXX=clang++ cmake -S . -B $(CLANG_BUILD) -G Ninja -DSKORVIA_BUILD_CLIENT=OFF -DSKORVIA_BUILD_BENCH=OFF -DSKORVIA_WERROR=ON
	cmake --build $(CLANG_BUILD) -j $(JOBS) --target determinism_O2 fmath_check

bench: setup
ifneq ($(wildcard bench/*.cpp),)
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKORVIA_BUILD_TESTS=OFF $(DEPS_ARGS) $(CMAKE_ARGS)
	cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_bench
	./$(RELEASE_BUILD)/bench/skorvia_bench $(BENCH_ARGS)
	@# The drawing benchmarks need the client (SDL, OpenGL through the offscreen driver).
	if grep -q '^build skorvia_render_bench:' $(RELEASE_BUILD)/build.ninja; then \
	  cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_render_bench && \
	  SDL_VIDEO_DRIVER=offscreen SDL_AUDIO_DRIVER=dummy ./$(RELEASE_BUILD)/skorvia_render_bench $(BENCH_ARGS); \
	fi
	@# The registry's, when it is built (libmicrohttpd, libcurl, nlohmann-json and, for the benchmark's client, cpp-httplib found).
	if grep -q '^build skorvia_registry_bench:' $(RELEASE_BUILD)/build.ninja; then \
	  cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_registry_bench && \
	  ./$(RELEASE_BUILD)/skorvia_registry_bench $(BENCH_ARGS); \
	fi
	@# The sound's benchmarks are built with the client as well.
	if grep -q '^build skorvia_audio_bench:' $(RELEASE_BUILD)/build.ninja; then \
	  cmake --build $(RELEASE_BUILD) -j $(JOBS) --target skorvia_audio_bench && \
	  ./$(RELEASE_BUILD)/skorvia_audio_bench $(BENCH_ARGS); \
	fi
else
	@echo "no benchmarks (bench/*.cpp)"
endif

server: configure
	cmake --build $(BUILD) -j $(JOBS) --target skorvia-server
	./$(BUILD)/skorvia-server $(SERVER_ARGS)

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer (any
# finding fails the test). SDL and Mesa leak at exit, so the windowed tests
# (label "window") run without leak detection; every other test keeps it.
# The fuzz tests need the clang tree and are left to `make test`.
SANITIZER_ENV := UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
check-asan: setup
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKORVIA_SANITIZE=ON $(DEPS_ARGS) $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SANITIZER_ENV) ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE 'fuzz|window'
	$(SANITIZER_ENV) ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -L window

# ThreadSanitizer over the tests that run threads: the server-list status
# queries (each on a worker thread), the dedicated server and its status
# listener (on a thread of the test, beside relays and log readers), and the
# sound's cue ring.
TSAN_TARGETS := audio_ring_test session_tests dedicated_tests game_tests
TSAN_TESTS := audio_ring|^StatusQuery\.|^StatusRound\.|^StatusListener\.|^BadInput\.|^PlayOnline\.|^LossyNetwork\.|^Rounds\.
check-tsan: setup
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKORVIA_TSAN=ON $(DEPS_ARGS) $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

# The dedicated server under 8 scripted clients for 30 minutes, on a clean
# network and through the lossy relay at the same time, in a release build.
soak: setup
	cmake -S . -B $(SOAK_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKORVIA_BUILD_BENCH=OFF $(DEPS_ARGS) $(CMAKE_ARGS)
	cmake --build $(SOAK_BUILD) -j $(JOBS) --target skorvia_load
	./$(SOAK_BUILD)/tests/skorvia_load --soak $(SOAK_ARGS)

# Each mutation of tools/mutants/mutations.txt is built and tested in a scratch
# copy of the tree under $(BUILD)/mutants/, at the lowest priority, one build
# job at a time; a second run on an unchanged tree only prints the table.
mutants: setup
	python3 tools/mutants/mutants.py --work $(BUILD)/mutants $(MUTANTS_ARGS)

# Builds only what gets installed. DESTDIR (staging for packages) is passed on
# to the install step, which reads it from the environment.
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target skorvia_programs
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(SOAK_BUILD) $(WINDOWS_BUILD)
