# make run: build and start the console.  make test: build and run every test.
# Both first install the Debian packages that are missing (through sudo when not root).

BUILD ?= build
JOBS ?= $(shell nproc)
PACKAGES := cmake make g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev \
            libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DORVEK_WERROR=ON
endif

# $(call install_missing,PACKAGES): apt-get installs those of PACKAGES that are not installed.
install_missing = missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing < /dev/null; \
	fi

.PHONY: all deps configure build test run bench clean test-sanitize fuzz fuzz-smoke demo

all: build

deps:
	@$(call install_missing,$(PACKAGES))

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	$(BUILD)/console/orvek-console

# make demo: the console with a simulated reader on 127.0.0.1:4140, stopped when the console closes.
demo: build
	@log=$(BUILD)/demo-reader-sim.log; \
	$(BUILD)/tools/orvek-reader-sim --listen 127.0.0.1:4140 > $$log 2>&1 & sim=$$!; \
	trap 'kill $$sim 2>/dev/null; wait $$sim 2>/dev/null' EXIT INT TERM; \
	for i in $$(seq 50); do grep -q '^listening on' $$log && break; kill -0 $$sim 2>/dev/null || break; sleep 0.1; done; \
	if ! grep -q '^listening on' $$log; then cat $$log; echo "The simulated reader did not start."; exit 1; fi; \
	echo 'Simulated reader on 127.0.0.1:4140: type 127.0.0.1 in "Indirizzo IP (port 4140)" and tick "Connetti".'; \
	$(BUILD)/console/orvek-console

bench: build
	$(BUILD)/bench/bench_receive
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_log
	$(BUILD)/bench/bench_memory
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench_flood

clean:
	rm -rf $(BUILD)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B build-asan -DORVEK_SANITIZE=ON -DORVEK_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# Every fuzz target for FUZZ_SECONDS on a fresh copy of its seed corpus (fuzz/corpus/<target>).
# A failing input is kept in build-fuzz/artifacts/<target>/.
FUZZ_SECONDS ?= 60
fuzz: deps
	@$(call install_missing,clang libclang-rt-14-dev)
	CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz $(CMAKE_FLAGS)
	cmake --build build-fuzz -j$(JOBS)
	@passed=0; for target in $$(ls fuzz/corpus); do \
	  rm -rf build-fuzz/corpus/$$target build-fuzz/artifacts/$$target; \
	  mkdir -p build-fuzz/corpus/$$target build-fuzz/artifacts/$$target; \
	  cp fuzz/corpus/$$target/* build-fuzz/corpus/$$target/; \
	  build-fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -max_len=12000 -timeout=30 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/artifacts/$$target/ build-fuzz/corpus/$$target > build-fuzz/$$target.log 2>&1 || { \
	    tail -n 60 build-fuzz/$$target.log; \
	    echo "$$target FAILED; the input is in build-fuzz/artifacts/$$target/"; exit 1; }; \
	  echo "$$target: $$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/$$target.log) executions in $(FUZZ_SECONDS) s"; \
	  passed=$$((passed + 1)); \
	done; \
	echo "fuzz: $$passed passed, 0 failed"

fuzz-smoke:
	$(MAKE) fuzz FUZZ_SECONDS=15
