# Lexidor: the two commands for a fresh machine are `make demo` and `make check`.
BUILD ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build program check check-faults check-asan check-tsan demo bench install \
	uninstall package clean fuzz fuzz-short

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

# The long fault sweep: every error at every file operation of a build, and
# SIGKILL at every rename of a 200,000-command kit (make check runs a quick
# sweep of the same tests).
check-faults: build
	@cd $(BUILD) && LEXIDOR_FAULT_SWEEP=long ctest --output-on-failure -j $(JOBS) --timeout 5400 \
		-R '^(Operations/FaultSweep[.]|KillSweep[.])'

# The sanitized builds, each in a folder of its own.  Every process the tests
# start writes its sanitizer reports into the build's sanitizer-reports
# folder; a report there fails the run, whatever the test itself said.
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
SUPPRESSIONS = $(CURDIR)/tests/sanitizers

# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer over every
# test, the x11 tests on two screen sizes.  An allocation the machine cannot
# give fails as it does unsanitized (null, or std::bad_alloc) instead of
# ending the test, so that the code handling it is tested too.
check-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXIDOR_SANITIZE=address >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@rm -rf $(ASAN_BUILD)/sanitizer-reports && mkdir -p -m 1777 $(ASAN_BUILD)/sanitizer-reports
	@cd $(ASAN_BUILD) && \
	export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:log_path=$(CURDIR)/$(ASAN_BUILD)/sanitizer-reports/asan:strict_string_checks=1:detect_stack_use_after_return=1" \
	       LSAN_OPTIONS="suppressions=$(SUPPRESSIONS)/lsan.supp:print_suppressions=0" \
	       UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$(CURDIR)/$(ASAN_BUILD)/sanitizer-reports/ubsan" && \
	xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS) --timeout 600 && \
	xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j $(JOBS) --timeout 600 -L x11
	@scripts/sanitizer-reports $(ASAN_BUILD)/sanitizer-reports

# ThreadSanitizer, with allocations failing as under check-asan, over the
# tests that run more than one thread: the index build's parallel sort and
# script writing (in-process, in the program and through the fuzz corpus),
# callbacks posted from other threads, the child reaper and the signal paths.
# Only their executables are built.
TSAN_TARGETS = Lexidor lexidor_app_tests lexidor_gui_events_tests lexidor_gui_system_tests \
	lexidor_gui_fltk_x11_tests \
	lexidor_process_tests lexidor_test_support_tests lexidor_test_support_e2e_tests \
	fuzz_command_index_replay
TSAN_TESTS = ^(TCommandList|BuildIndex|CommandIndex|Batch|Rebuild|SampleKitTest|ScriptsInNode|ConsoleWaitTest|DriverTest|TimingTest|EventQueueTest|ProcessTest|RunAndCollectTest|SpawnWithPipesTest|PipeStreamTest|fuzz_corpus)[.]
# Left out: the fuzz corpora no thread touches, and the two tests that wait for
# the child reaper alone to collect an ended child.  ThreadSanitizer defers a
# signal handler to a point of its own choosing and, on a loaded machine, now
# and then never runs it (a bare fork, exit and SIGCHLD handler shows the
# same); those tests run unsanitized and under AddressSanitizer.
TSAN_SKIP = ^(fuzz_corpus[.](config|html_view|packed_text|page_text|pipe_lines|split_command_line|text_decoding)|ProcessTest[.](StatusIsOneWhileRunningAndZeroAfterTheReaperCollected|TerminateOfAnEndedChildReportsTheMissingGroup))$$
check-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXIDOR_SANITIZE=thread >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	@rm -rf $(TSAN_BUILD)/sanitizer-reports && mkdir -p -m 1777 $(TSAN_BUILD)/sanitizer-reports
	@cd $(TSAN_BUILD) && \
	export TSAN_OPTIONS="allocator_may_return_null=1:halt_on_error=1:second_deadlock_stack=1:suppressions=$(SUPPRESSIONS)/tsan.supp:log_path=$(CURDIR)/$(TSAN_BUILD)/sanitizer-reports/tsan" && \
	xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j $(JOBS) --timeout 600 -R '$(TSAN_TESTS)' -E '$(TSAN_SKIP)'
	@scripts/sanitizer-reports $(TSAN_BUILD)/sanitizer-reports

demo: program
	@scripts/demo $(BUILD)

bench: build
	@scripts/bench $(BUILD)

# $(DESTDIR)$(PREFIX)/bin/lexidor (stripped), its menu entry, icons, manual
# page, AppStream metainfo and bash completion.
install: program
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

# Removes what make install put in place for the same PREFIX and DESTDIR.
uninstall:
	@DESTDIR="$(DESTDIR)" scripts/uninstall $(BUILD) "$(PREFIX)"

# $(BUILD)/lexidor_<version>_amd64.deb.  Every file in it is dated by the
# last commit (the changelog's date outside a git clone), so two packages of
# one commit are the same bytes.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null || \
	dpkg-parsechangelog -l packaging/changelog -STimestamp)
package: program
	@cd $(BUILD) && SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cpack --config CPackConfig.cmake

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
