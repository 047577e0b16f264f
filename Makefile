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

.PHONY: all deps configure build test run bench clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing < /dev/null; \
	fi

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	$(BUILD)/console/orvek-console

bench: build
	$(BUILD)/bench/orvek-bench

clean:
	rm -rf $(BUILD)
