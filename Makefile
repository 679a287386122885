# Quoril: the two set-up commands are `make run` and `make test`; both install what is missing first.
BUILD      := build/release
ASAN_BUILD := build/asan
FUZZ_BUILD := build/fuzz
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
# Our own builds treat warnings as errors; a plain CMake build only reports them.
WERROR     := -DQUORIL_WERROR=ON

.PHONY: all deps build asan run test bench fuzz install package clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) $(WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) $(WERROR) -DCMAKE_BUILD_TYPE=Debug \
	    -DQUORIL_ENGINE_ONLY=ON -DQUORIL_SANITIZE=ON -DQUORIL_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Starts the calculator; until the window exists, the command-line evaluator.
run: build
	@if [ -x $(BUILD)/app/quoril ]; then $(BUILD)/app/quoril; \
	else echo "quoril-eval: one expression per line, Ctrl-D ends"; $(BUILD)/tools/quoril-eval/quoril-eval; fi

test: build asan
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	@scripts/run-bench $(BUILD)

fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) $(WERROR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DQUORIL_ENGINE_ONLY=ON -DQUORIL_BENCH=OFF -DQUORIL_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target quoril-fuzz-engine
	@scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Installs into PREFIX; DESTDIR, when set, stages the tree below it (as packagers do).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package: $(BUILD)/quoril_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build
