# Lexidor: the two commands for a fresh machine are `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build program check demo bench install package clean fuzz fuzz-short

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only the program and the files installed with it, not the tests.
program: configure
	@cmake --build $(BUILD) -j $(JOBS) --target Lexidor lexidor_packaging_files

# Every test: unit, x11 (under a private Xvfb), browser and e2e.
check: build
	@cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" \
		ctest --output-on-failure -j $(JOBS) --timeout 300

demo: program
	@scripts/demo $(BUILD)

bench: build
	@scripts/bench $(BUILD)

# $(DESTDIR)$(PREFIX)/bin/lexidor, its menu entry, icons and manual page.
install: program
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# $(BUILD)/lexidor_<version>_amd64.deb
package: program
	@cd $(BUILD) && cpack --config CPackConfig.cmake

# libFuzzer targets (clang, AddressSanitizer and UBSan) in their own build
# folder, each run FUZZ_SECONDS seconds over a copy of its corpus; any
# crash, report, time-out or memory blow-up fails.  fuzz-short is CI's run.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXIDOR_FUZZ=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target lexidor_fuzz_targets
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-short:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=15

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
