# The two commands of a fresh Debian 12 machine: `make run` and `make test`.
# Both install what is missing (Debian packages, as root), then build with CMake.

SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD ?= build
SIM_LINK ?= /tmp/ttyTALMIRE

# What building and running the tool needs: `make run` installs only these.
BUILD_PACKAGES := build-essential cmake pkg-config qt6-base-dev qt6-charts-dev qt6-tools-dev \
                  qt6-l10n-tools libgl-dev libjpeg62-turbo-dev
# What the tests, the benchmarks, the fuzzing, the screenshots and the package need besides:
# `make test` installs these too.
TEST_PACKAGES := libgtest-dev libgmock-dev libbenchmark-dev socat mbpoll python3 python3-pymodbus \
                 python3-serial xvfb xauth imagemagick clang-14 libfuzzer-14-dev libclang-rt-14-dev \
                 valgrind clang-format clang-tidy g++-mingw-w64-x86-64-posix wine64 \
                 qt6-serialport-dev lintian desktop-file-utils appstream dpkg-dev file ser2net
# qt6-serialport-dev: only `make bench` uses it, to measure QSerialPort beside the serial
# component; the product never links it.
# lintian, desktop-file-utils, appstream, dpkg-dev, file: the package test checks the .deb
# with them. ser2net: the network ports' tests put it, on the loopback address, in front of
# the simulator's pseudo-terminal.
PACKAGES := $(BUILD_PACKAGES) $(TEST_PACKAGES)
# The tests are built where GoogleTest is installed; `make run` on a machine without the
# test tools builds the programs only.
BUILD_TESTS ?= $(if $(wildcard /usr/src/googletest/CMakeLists.txt),ON,OFF)

.PHONY: all deps deps-build build install package run test test-fast test-asan test-tsan test-windows test-fuzz bench fuzz valgrind screenshots format tidy clean

all: build

# Installs the missing ones of $(WANTED) (every package unless told otherwise).
WANTED = $(PACKAGES)
deps:
	@missing=$$(for p in $(WANTED); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  SUDO=$$([ "$$(id -u)" = 0 ] || echo sudo); \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

deps-build:
	@$(MAKE) --no-print-directory deps WANTED="$(BUILD_PACKAGES)"

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps-build $(BUILD)/CMakeCache.txt
	cmake -S . -B $(BUILD) -DTALMIRE_BUILD_TESTS=$(BUILD_TESTS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The programs, their man pages and the desktop files under PREFIX; DESTDIR is honoured.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD).
package: deps build
	cd $(BUILD) && cpack -G DEB

# The simulator on a pseudo-terminal published as $(SIM_LINK), then the tool.
run: build
	@$(BUILD)/sim/talmire-sim --link $(SIM_LINK) & sim=$$!; \
	trap "kill $$sim 2>/dev/null" EXIT; sleep 0.5; \
	echo "Simulator port: $(SIM_LINK) (pick it in 'serial port:' and press open)"; \
	$(BUILD)/ui/talmire

test: deps test-fast test-asan test-tsan test-windows test-fuzz

test-fast: deps
	$(MAKE) build BUILD_TESTS=ON
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest -j $(JOBS) --output-on-failure --timeout 300

test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTALMIRE_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest -j $(JOBS) --output-on-failure --timeout 600

# Every test of the build without the window under ThreadSanitizer: the serial threads, the
# simulator, the link library (Qt Core's event loop driving the serial component) and
# everything that drives them.
test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTALMIRE_SANITIZE=thread -DTALMIRE_BUILD_UI=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure --timeout 600

# The serial component and the pure layers cross-built for Windows (mingw-w64) and run under
# wine; the Win32 serial backend talks to talmire-sim through COM ports mapped to ptys.
WINE_ENV = WINEPREFIX=$(CURDIR)/build-win/wineprefix WINEDEBUG=-all
test-windows: build
	cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Debug -DTALMIRE_BUILD_UI=OFF \
	  -DTALMIRE_HOST_SIM=$(CURDIR)/$(BUILD)/sim/talmire-sim
	cmake --build build-win -j $(JOBS)
	@[ -d build-win/wineprefix/dosdevices ] || $(WINE_ENV) wineboot --init >/dev/null 2>&1 || true
	cd build-win && $(WINE_ENV) ctest --output-on-failure --timeout 300
	-@$(WINE_ENV) wineserver -k 2>/dev/null

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALMIRE_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/*/bench_*; do [ -x "$$b" ] && "$$b"; done

# Every fuzz target for FUZZ_SECONDS each; `make test` runs them for a short smoke time so
# a target that no longer builds or fails at once breaks the tests.
FUZZ_SECONDS ?= 60
test-fuzz: deps
	$(MAKE) fuzz FUZZ_SECONDS=10

fuzz: deps
	cmake -S fuzz -B build-fuzz -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
	cmake --build build-fuzz -j $(JOBS)
	@for f in build-fuzz/fuzz_*; do [ -x "$$f" ] || continue; \
	  name=$$(basename $$f); mkdir -p build-fuzz/corpus/$$name; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 build-fuzz/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

# Two end-to-end sessions of the window with the simulator under memcheck.
valgrind: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen valgrind --leak-check=full \
	  --errors-for-leak-kinds=definite,indirect --error-exitcode=9 tests/e2e/e2e_tests \
	  --gtest_filter='EndToEnd.CommunicationQueryThenSystemParameters:EndToEnd.HartIdentity*'

screenshots: build
	scripts/screenshots.sh $(BUILD)/ui/talmire docs

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# One file per run. The benchmarks are checked against their own build (make bench); the
# fuzz targets and the Win32 backend are built by other compilers and left out.
tidy: build
	git ls-files '*.cpp' | grep -v -E '^(fuzz|bench|serial/win32|tests/serial/win32)/' | \
	  xargs -n 1 -P $(JOBS) clang-tidy -p $(BUILD) --quiet
	@if [ -f build-bench/compile_commands.json ]; then \
	  git ls-files 'bench/*.cpp' | xargs -n 1 -P $(JOBS) clang-tidy -p build-bench --quiet; fi

clean:
	rm -rf build build-asan build-tsan build-bench build-fuzz build-win
