# make          build the optimised codec, library and tools into build/
# make test     install what is missing, then build and run every test under the sanitizers
# make demo     build and run the main job on the built-in clip
# make bench    build and run the benchmarks (optimised build)
# make fuzz     run the decoder fuzzer (FUZZ_SECONDS, default 600)

JOBS ?= 2
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
CMAKE_FLAGS ?=

.PHONY: all deps build test demo bench fuzz clean

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

demo: build
	@echo "The demo is not built yet: it arrives with the command-line tool."

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target kvtc_bench
	@$(BUILD)/bench/kvtc_bench

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
