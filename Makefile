# make          build the optimised codec, library and the kvtc tool into build/
# make test     install what is missing, then build and run every test under the sanitizers
# make demo     build, then encode and decode the built-in clip with every preset into demo/
# make bench    build and run the benchmarks (optimised build)
# make fuzz     run the decoder fuzzer (FUZZ_SECONDS, default 600)

JOBS ?= 2
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
CMAKE_FLAGS ?=

.PHONY: all deps media-deps build test demo bench fuzz clean

all: build

deps:
	@scripts/install-deps

# The tool and its tests need FFmpeg's libraries and tools, and two real camera clips.
media-deps:
	@scripts/install-deps --media

build: media-deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_TOOLS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: media-deps build
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVTC_SANITIZE=ON -DKVTC_TOOLS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j$(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j$(JOBS)
	@ctest --test-dir $(BUILD) --output-on-failure -R '^exports$$'

demo: build
	@$(BUILD)/kvtc demo

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target kvtc_bench
	@$(BUILD)/bench/kvtc_bench

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
