# The two commands a newcomer needs are `make run` and `make test`; both
# install what the machine lacks first.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: all setup configure build run test lint format bench install clean sanitize fuzz-smoke

all: build

setup:
	@bash scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

run: setup build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "lattrix: no display found (DISPLAY is not set)."; \
	    echo "Start it under a virtual X server instead:  xvfb-run -a $(BUILD)/lattrix"; \
	    exit 1; \
	fi
	$(BUILD)/lattrix

lint:
	@bash scripts/lint.sh

format:
	@git ls-files -co --exclude-standard -- 'src/*.cpp' 'src/*.hpp' 'tests/*.cpp' 'tests/*.hpp' \
	    'bench/*.cpp' 'bench/*.hpp' 'tools/*.cpp' 'tools/*.hpp' | xargs -r clang-format -i

# GUI tests need an X server; one xvfb-run around ctest serves them all.
# Several test runs on one machine race for the same free display number
# with a plain -a, so each run starts its search at a random number.
# -noreset: by default the server resets whenever its last client leaves,
# and a program starting in that moment finds no display.
XVFB_RUN = xvfb-run -a -n $$(shuf -i 100-4000 -n 1) -s "-screen 0 1280x1024x24 -noreset"

test: setup lint build
	$(XVFB_RUN) ctest --test-dir $(BUILD) --output-on-failure -j2

# Every test again, built with AddressSanitizer, UndefinedBehaviorSanitizer
# and leak checking in its own build directory.
sanitize: setup
	@bash scripts/sanitize.sh

# The libFuzzer targets (clang) for FUZZ_SECONDS (default 60) each.
fuzz-smoke: setup
	@bash scripts/fuzz.sh

bench: setup
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD)-bench --target benchmarks
	@bash bench/run.sh $(BUILD)-bench

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX),)

clean:
	rm -rf $(BUILD)
