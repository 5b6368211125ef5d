# make          build the optimised codec, library, the kvtc tool and the GStreamer plugin
#               (libgstkvtc.so: kvtcenc and kvtcdec) into build/
# make install  install the library and the tool (PREFIX, default /usr/local) and the plugin
#               (into GStreamer's plugin directory)
# make link-demo  the live link over loopback UDP at refresh 0/16/64/128 and loss 0/1/5/10%:
#               demo/link.png and demo/link.md
# make test     install what is missing, then build and run every test under the sanitizers,
#               the threaded tests under ThreadSanitizer (make tsan),
#               every fuzzer for 30 s, the 64-bit Windows suite under Wine (skipped when it
#               cannot be installed), and the 32-bit one wherever i386 programs run (natively
#               or under qemu-user) once the chroot of test-win32 is there
# make demo     build, then encode and decode the built-in clip with every preset into demo/
# make windows  cross-build kvtc.dll for 32- and 64-bit Windows (build-win32/, build-win64/)
#               and lay out the installation folder build-windows/ (kvtc.inf and both DLLs)
# make test-win32  run the 32-bit Windows suite under 32-bit Wine in a cached i386 chroot
#               (WIN32_CHROOT, shared by every clone; qemu-user runs it where the kernel
#               does not run i386 programs)
# make bench    build and run the benchmarks (optimised build)
# make compare  the codec against msvideo1, cinepak, rpza, libx264 and libvpx on the camera
#               clips and the built-in clip at 320x240 and 640x480, one thread, codec time
#               only (COMPARE_FRAMES frames a clip, default 120; COMPARE_REPEATS runs, the
#               fastest counts, default 2): demo/compare.md and demo/compare.png
# make fuzz     run every fuzzer (FUZZ_SECONDS each, default 600)
# make tsan     build the test programs that open instances and run sessions on several
#               threads under ThreadSanitizer (build-tsan/) and run those tests

JOBS ?= 2
BUILD ?= build
SAN_BUILD ?= build-san
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
WIN32_BUILD ?= build-win32
WIN64_BUILD ?= build-win64
WIN_PACKAGE ?= build-windows
WIN32_CHROOT ?= /var/cache/kvtc/win32-chroot
FUZZ_SECONDS ?= 600
CMAKE_FLAGS ?=
COMPARE_FRAMES ?= 120
COMPARE_REPEATS ?= 2

PREFIX ?=

.PHONY: all deps media-deps build install link-demo test demo bench compare fuzz tsan clean windows windows-dlls test-windows test-win32

all: build

deps:
	@scripts/install-deps

# The tool and its tests need FFmpeg's libraries and tools, and two real camera clips.
media-deps:
	@scripts/install-deps --media

build: media-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_TOOLS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

install: build
	@cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

link-demo: build
	@scripts/link-demo $(BUILD) $${KVTC_FOOTAGE_DIR:-/usr/local/share/kvtc/footage} demo

test: media-deps build
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVTC_SANITIZE=ON -DKVTC_TOOLS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j$(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j$(JOBS)
	@ctest --test-dir $(BUILD) --output-on-failure -R '^exports$$'
	@$(MAKE) --no-print-directory tsan
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz FUZZ_SECONDS=30; \
	  else echo "clang++ not found: the fuzzers did not run"; fi
	@$(MAKE) --no-print-directory test-windows
	@if [ -e $(WIN32_CHROOT)/.kvtc-ready ] && scripts/i386-exec --enable; then \
	  $(MAKE) --no-print-directory test-win32; \
	else echo "make test: the 32-bit Windows suite did not run: it runs once make test-win32 has built its chroot in $(WIN32_CHROOT), on a system that runs i386 programs natively or under qemu-i386-static"; fi

# The Windows DLLs and the Windows host, cross-built with mingw-w64.
windows:
	@scripts/install-deps --windows
	@$(MAKE) --no-print-directory windows-dlls

windows-dlls:
	@cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DKVTC_LINUX_BUILD=$(CURDIR)/$(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN32_BUILD) -j$(JOBS)
	@cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DKVTC_LINUX_BUILD=$(CURDIR)/$(BUILD) -DKVTC_WIN32_BUILD=$(CURDIR)/$(WIN32_BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(WIN64_BUILD) -j$(JOBS)
	@mkdir -p $(WIN_PACKAGE) && cp src/driver/kvtc.inf $(WIN_PACKAGE)/ && \
	  cp $(WIN32_BUILD)/kvtc.dll $(WIN_PACKAGE)/kvtc32.dll && cp $(WIN64_BUILD)/kvtc.dll $(WIN_PACKAGE)/kvtc64.dll

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

test-win32: build windows
	@ctest --test-dir $(WIN32_BUILD) --output-on-failure -R '^linux-avi$$'
	@tests/windows/run-win32-chroot.sh . $(WIN32_BUILD) $(WIN32_CHROOT)
	@ctest --test-dir $(WIN32_BUILD) --output-on-failure -R '^(same-bytes|avi-interop)$$'

demo: build
	@$(BUILD)/kvtc demo

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target kvtc_bench
	@$(BUILD)/bench/kvtc_bench

compare:
	@scripts/install-deps --bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_TOOLS=ON -DKVTC_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target kvtc_compare
	@COMPARE_FRAMES=$(COMPARE_FRAMES) COMPARE_REPEATS=$(COMPARE_REPEATS) $(BUILD)/bench/compare/kvtc_compare demo
	@gnuplot -e "speed='demo/compare-speed.tsv'; quality='demo/compare-quality.tsv'; output='demo/compare.png'" bench/compare/compare.gp
	@echo "wrote demo/compare.md and demo/compare.png"

# Each fuzzer keeps what it finds in $(FUZZ_BUILD)/corpus/NAME and reads its seeds in
# fuzz/corpus/NAME; a crash leaves its input in $(FUZZ_BUILD)/ and fails the target. Every
# fuzzer runs FUZZ_SECONDS.
FUZZERS ?= decode_frame driver_messages encode_frames avi_reader
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DKVTC_FUZZ=ON -DKVTC_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(addprefix kvtc_fuzz_,$(FUZZERS))
	@for f in $(FUZZERS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$f; \
	  echo "fuzzing $$f for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/fuzz/kvtc_fuzz_$$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$$f fuzz/corpus/$$f \
	    2>$(FUZZ_BUILD)/fuzz-$$f.log || { tail -n 60 $(FUZZ_BUILD)/fuzz-$$f.log; exit 1; }; \
	  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' $(FUZZ_BUILD)/fuzz-$$f.log || true; \
	done

# Instances opened, used and closed on several threads, and host sessions on several threads
# at once (the system directory lock), under ThreadSanitizer: only the programs that hold
# those tests are built, and only those tests run.
TSAN_DRIVER_TESTS ?= *Instances*:*Thread*
TSAN_TOOLS_TESTS ?= *SeveralThreads*
tsan: media-deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVTC_TSAN=ON -DKVTC_TOOLS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(TSAN_BUILD) -j$(JOBS) --target kvtc_driver_tests kvtc_tools_tests
	@mkdir -p $(TSAN_BUILD)/test-tmp
	@export KVTC_TEST_TMP=$(CURDIR)/$(TSAN_BUILD)/test-tmp TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 && \
	  $(TSAN_BUILD)/tests/kvtc_driver_tests --gtest_brief=1 --gtest_filter='$(TSAN_DRIVER_TESTS)' && \
	  $(TSAN_BUILD)/tests/kvtc_tools_tests --gtest_brief=1 --gtest_filter='$(TSAN_TOOLS_TESTS)'

clean:
	@! grep -q "$(abspath $(WIN32_CHROOT))$(CURDIR)" /proc/mounts || \
	  { echo "clean: the test-win32 chroot still has this tree mounted; unmount it first" >&2; exit 1; }
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WIN32_BUILD) $(WIN64_BUILD) $(WIN_PACKAGE)
