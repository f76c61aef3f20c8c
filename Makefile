# The two commands a user needs: `make demo` and `make test`.
BUILD_DIR ?= build
JOBS ?= 2
# CI sets WERROR=ON: our code must build without a single warning.
WERROR ?= OFF

.PHONY: deps build test sanitize demo bench clean

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

demo: build
	bash scripts/demo.sh $(BUILD_DIR)

bench: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DZARNIK_BENCHMARKS=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)
	bash scripts/bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-sanitize
