# make run    installs what is missing, builds (Release) only the program and starts it
# make install  builds the program and installs it, its desktop entry, icons and AppStream
#             metadata under $(DESTDIR)$(PREFIX) (PREFIX defaults to /usr/local)
# make test   installs what is missing, builds and runs every test, then the same tests built
#             with AddressSanitizer + UndefinedBehaviorSanitizer, then the kernels' and the
#             document's tests with ThreadSanitizer, then the fuzzer for 60 s
# make sanitize  only the sanitizer build and its tests
# make tsan   the picture kernels' and the document's tests built with ThreadSanitizer
# make fuzz   the picture-file fuzzer for FUZZ_SECONDS (default 60)
# make bench  builds and runs the benchmark, then OpenCV on the same pictures, then times the
#             real program's Exit holding a 48 MP picture, and prints each speed target as a ratio
BUILD ?= build
SANITIZE_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
REPORTS = $(SANITIZE_BUILD)/sanitizer-reports
TSAN_REPORTS = $(TSAN_BUILD)/sanitizer-reports
SYMBOLIZER = $(firstword $(wildcard /usr/lib/llvm-14/bin/llvm-symbolizer) llvm-symbolizer)

.PHONY: all deps build run install test sanitize tsan fuzz bench clean

all: build

deps:
	@scripts/install-deps

build: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS)

# Only what running needs: not the tests, not the benchmark.
run: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS) --target VellPainter
	@scripts/run $(BUILD)/VellPainter

# A build folder that is already configured keeps its settings: the install test installs the
# build it belongs to, the sanitized one included.
install: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || $(CONFIGURE)
	@cmake --build $(BUILD) -j $(JOBS) --target VellPainter
	@DESTDIR="$(abspath $(DESTDIR))" cmake --install $(BUILD) --prefix "$(PREFIX)"

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory sanitize
	@$(MAKE) --no-print-directory tsan
	@$(MAKE) --no-print-directory fuzz

# -O1 keeps the sanitized build quick to compile and its stacks readable. Reports go to files
# (see tests/CMakeLists.txt), so that one from a forked child or from the program under an
# end-to-end test fails the run as well.
sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVP_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@rm -rf $(REPORTS) && mkdir -p $(REPORTS)
	@cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS) || { cat sanitizer-reports/* 2>/dev/null; exit 1; }
	@if [ -n "$$(ls -A $(REPORTS))" ]; then cat $(REPORTS)/*; echo "Sanitizer reports: see above"; exit 1; fi
	@echo "Sanitizers: no report"

# The threads live in the picture kernels and in the temp file's writer: their rooms' tests run
# under ThreadSanitizer, and any report, even one a test passed through, fails the run.
tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVP_TSAN=ON >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_imagelib test_document
	@rm -rf $(TSAN_REPORTS) && mkdir -p $(TSAN_REPORTS)
	@cd $(TSAN_BUILD) && ctest --output-on-failure -j $(JOBS) -R '^(imagelib|document)$$' || { cat sanitizer-reports/* 2>/dev/null; exit 1; }
	@if [ -n "$$(ls -A $(TSAN_REPORTS))" ]; then cat $(TSAN_REPORTS)/*; echo "ThreadSanitizer reports: see above"; exit 1; fi
	@echo "ThreadSanitizer: no report"

fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVP_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target picture_fuzzer fuzz_seeds
	@mkdir -p $(FUZZ_BUILD)/fuzz/corpus $(FUZZ_BUILD)/fuzz/findings
	@cd $(FUZZ_BUILD)/fuzz && ASAN_SYMBOLIZER_PATH=$(SYMBOLIZER) ./picture_fuzzer -max_total_time=$(FUZZ_SECONDS) \
		-max_len=16384 -timeout=10 -rss_limit_mb=2048 -artifact_prefix=findings/ corpus seeds >fuzz.log 2>&1 \
		|| { grep -v -e '^#' -e '^libpng' -e 'qt.gui.imageio' fuzz.log | tail -n 80; echo "Fuzzer: failed, see $(FUZZ_BUILD)/fuzz/findings"; exit 1; }
	@echo "Fuzzer: $$(grep -o 'Done [0-9]* runs in [0-9]* second(s)' $(FUZZ_BUILD)/fuzz/fuzz.log), no finding"

bench:
	@scripts/install-deps bench
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target vp_bench VellPainter
	@$(BUILD)/bench/vp_bench 2>/dev/null | tee $(BUILD)/bench.txt
	@/usr/bin/python3 bench/peers.py | tee -a $(BUILD)/bench.txt
	@/usr/bin/python3 bench/exit.py $(BUILD)/VellPainter | tee -a $(BUILD)/bench.txt
	@/usr/bin/python3 bench/compare.py $(BUILD)/bench.txt

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
