# make run    installs what is missing, builds (Release) and starts Vell's Painter
# make test   installs what is missing, builds and runs every test
# make bench  builds and runs the benchmark
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run $(BUILD)/VellPainter

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench:
	@scripts/install-deps bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target vp_bench
	@$(BUILD)/bench/vp_bench

clean:
	rm -rf $(BUILD)
