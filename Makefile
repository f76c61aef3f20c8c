# The two commands a user needs: `make demo` and `make test`.
BUILD_DIR ?= build
JOBS ?= 2
# CI sets WERROR=ON: our code must build without a single warning.
WERROR ?= OFF

.PHONY: deps build test demo bench clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZARNIK_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

demo: build
	bash scripts/demo.sh $(BUILD_DIR)

bench: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZARNIK_BENCHMARKS=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)
	bash scripts/bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
