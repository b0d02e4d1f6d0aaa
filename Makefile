# Lexidor: the two commands for a fresh machine are `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build check demo bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Every test: unit, x11 (under a private Xvfb), browser and e2e.
check: build
	@cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" \
		ctest --output-on-failure -j $(JOBS) --timeout 300

demo: build
	@scripts/demo $(BUILD)

bench: build
	@scripts/bench $(BUILD)

clean:
	rm -rf $(BUILD)
