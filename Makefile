# make          build the optimised codec, library and tools into build/
# make test     install what is missing, then build and run every test under the sanitizers,
#               and the 64-bit Windows suite under Wine (skipped when it cannot be installed)
# make windows  cross-build kvtc.dll for 32- and 64-bit Windows (build-win32/, build-win64/)
# make test-win32  run the 32-bit Windows suite under 32-bit Wine in a cached i386 chroot
# make demo     build and run the main job on the built-in clip
# make bench    build and run the benchmarks (optimised build)
# make fuzz     run the decoder fuzzer (FUZZ_SECONDS, default 600)

JOBS ?= 2
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
WIN32_BUILD ?= build-win32
WIN64_BUILD ?= build-win64
FUZZ_SECONDS ?= 600
CMAKE_FLAGS ?=

.PHONY: all deps build test demo bench fuzz clean windows windows-dlls test-windows test-win32

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: deps build
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVTC_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j$(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j$(JOBS)
	@ctest --test-dir $(BUILD) --output-on-failure -R '^exports$$'
	@$(MAKE) --no-print-directory test-windows

# The Windows DLLs and the Windows host, cross-built with mingw-w64.
windows:
	@scripts/install-deps --windows
	@$(MAKE) --no-print-directory windows-dlls

windows-dlls:
	@cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DKVTC_LINUX_BUILD=$(CURDIR)/$(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN32_BUILD) -j$(JOBS)
	@cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DKVTC_LINUX_BUILD=$(CURDIR)/$(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN64_BUILD) -j$(JOBS)

# Both DLLs' exports and imports, and the 64-bit suite under Wine. The 32-bit build's Wine
# test reports itself skipped here: 32-bit Wine lives in the chroot of test-win32.
test-windows:
	@if scripts/install-deps --windows; then \
	  $(MAKE) --no-print-directory windows-dlls && \
	  ctest --test-dir $(WIN64_BUILD) --output-on-failure && \
	  ctest --test-dir $(WIN32_BUILD) --output-on-failure && \
	  echo "make test: the 32-bit DLL's exports and imports checked; its Wine suite runs with make test-win32"; \
	else \
	  echo "make test: Windows suite SKIPPED: mingw-w64 or Wine is missing and cannot be installed here"; \
	fi

test-win32: windows
	@tests/windows/run-win32-chroot.sh . $(WIN32_BUILD) $(CURDIR)/$(BUILD)/win32-chroot

demo: build
	@echo "The demo is not built yet: it arrives with the command-line tool."

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target kvtc_bench
	@$(BUILD)/bench/kvtc_bench

clean:
	@! grep -q "$(CURDIR)/$(BUILD)/win32-chroot/" /proc/mounts || \
	  { echo "clean: the test-win32 chroot still has mounts; unmount them first" >&2; exit 1; }
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(WIN32_BUILD) $(WIN64_BUILD)
