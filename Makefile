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
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz FUZZ_SECONDS=60; \
	  else echo "clang++ not found: the decoder fuzzer did not run"; fi

demo: build
	@$(BUILD)/kvtc demo

bench: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DKVTC_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) --target kvtc_bench
	@$(BUILD)/bench/kvtc_bench

# The fuzzer keeps what it finds in $(FUZZ_BUILD)/corpus and reads the seeds in fuzz/corpus;
# a crash leaves its input in $(FUZZ_BUILD)/ and fails the target.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DKVTC_FUZZ=ON -DKVTC_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target kvtc_fuzz_decode_frame
	@mkdir -p $(FUZZ_BUILD)/corpus/decode_frame
	@echo "fuzzing DecodeFrame for $(FUZZ_SECONDS) s"
	@$(FUZZ_BUILD)/fuzz/kvtc_fuzz_decode_frame -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	  -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/decode_frame fuzz/corpus/decode_frame \
	  2>$(FUZZ_BUILD)/fuzz.log || { tail -n 60 $(FUZZ_BUILD)/fuzz.log; exit 1; }
	@grep -E '^stat::(number_of_executed_units|peak_rss_mb)' $(FUZZ_BUILD)/fuzz.log || true

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
