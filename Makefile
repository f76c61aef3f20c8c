# The two commands a user needs: `make demo` and `make test`.
BUILD_DIR ?= build
JOBS ?= 2
# CI sets WERROR=ON: our code must build without a single warning.
WERROR ?= OFF
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60

.PHONY: deps build test sanitize tsan fuzz demo bench clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZARNIK_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The whole suite once more on a build that stops at any memory error, leak or
# undefined behaviour.
sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIK_SANITIZE=ON
	cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && ctest --output-on-failure -j $(JOBS)

# The evaluation and raster tests and the program's runs of several workers
# (CTest label tsan) on a build that stops at the first data race.
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIK_TSAN=ON
	cmake --build build-tsan -j $(JOBS) --target zarnik raster_tests evaluation_tests app_worker_tests
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan-suppressions.txt" \
	  ctest --output-on-failure -j $(JOBS) -L tsan

# Every fuzz target for FUZZ_SECONDS seconds; fails on any crash, leak or
# timeout (docs/fuzzing.md).
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) bash scripts/fuzz.sh

demo: build
	bash scripts/demo.sh $(BUILD_DIR)

bench: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZARNIK_BENCHMARKS=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)
	bash scripts/bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-sanitize build-tsan build-fuzz
