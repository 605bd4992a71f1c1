# Thin wrapper: `make run` builds and starts the program, `make test` builds and runs the tests
# (a plain build, then the same suite built with AddressSanitizer and UBSan).
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# The online services never leave this machine when the program runs from the build tree.
ZRPS_SERVER_URL ?= http://127.0.0.1:1/
export ZRPS_SERVER_URL

SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: deps configure build run test test-plain test-sanitizers bench package clean

deps:
	@sh tools/ensure-packages.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
		$(BUILD)/ZrPs; \
	else \
		echo "No display found: running ZrPs under xvfb-run."; \
		xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/ZrPs; \
	fi

test: test-plain test-sanitizers

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitizers: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DZR_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

bench: build
	sh tools/run-benchmarks.sh $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
