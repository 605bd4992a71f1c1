# Thin wrapper: `make run` builds and starts the program, `make test` builds and runs the tests.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test clean

deps:
	@sh tools/ensure-packages.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
		$(BUILD)/ZrPs; \
	else \
		echo "No display found: running ZrPs under xvfb-run."; \
		xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/ZrPs; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
