# Two entry points for a fresh Debian 12 machine:
#   make run   installs what building and running needs, builds the program, opens the window
#   make test  installs the rest too, builds the tests and benchmarks as well, runs every test
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
FUZZ_TARGETS ?=
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
# Ninja for new build folders: with nothing to rebuild it is done in a fraction of a second,
# where Makefiles would recheck every target. A folder keeps the generator it was made with.
GENERATOR ?= Ninja
generator = $(if $(wildcard $(1)/CMakeCache.txt),,-G "$(GENERATOR)")
CONFIGURE = cmake -S . -B $(BUILD) $(call generator,$(BUILD)) -DCMAKE_BUILD_TYPE=RelWithDebInfo\
	-DPAGEKILN_UNITY_BUILD=ON

.PHONY: all setup setup-program setup-package configure configure-tests build build-tests run\
	test test-asan test-cluster fuzz deb install uninstall bench format format-check clean

all: build

setup-program:
	@bash scripts/setup.sh program

setup-package:
	@bash scripts/setup.sh package

setup:
	@bash scripts/setup.sh tests

# A build folder made for the program alone leaves the tests out; one that has them keeps them.
$(BUILD)/CMakeCache.txt:
	$(CONFIGURE) -DPAGEKILN_BUILD_TESTS=OFF

configure: setup-program $(BUILD)/CMakeCache.txt

configure-tests: setup
	@grep -qsx 'PAGEKILN_BUILD_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt ||\
		$(CONFIGURE) -DPAGEKILN_BUILD_TESTS=ON

# What is installed and run: the window, the command, the rendering server and its component
# links, the scripts, the registration, the cursors and the manual pages.
build: configure
	cmake --build $(BUILD) --target pagekiln_program -j $(JOBS)

build-tests: configure-tests
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/program/pagekiln

test: build-tests
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD) $(call generator,$(ASAN_BUILD)) -DCMAKE_BUILD_TYPE=Debug\
		-DPAGEKILN_SANITIZE=ON -DPAGEKILN_BUILD_TESTS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# libFuzzer targets (fuzz/), built with clang in a build folder of their own, each run for
# FUZZ_SECONDS; fails on a crash. FUZZ_TARGETS names some of them (default: every one).
$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_BUILD) -C fuzz/cache.cmake

fuzz: setup $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) --target fuzz-all -j $(JOBS)
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# A Slurm cluster of one node on this machine runs the job-array script (needs root).
test-cluster: setup build
	bash tests/cluster/cluster_test.sh $(BUILD)

# The Debian package, pagekiln_<version>_<arch>.deb in the build folder.
deb: setup-package build
	cd $(BUILD) && cpack -G DEB

# Into PREFIX (default /usr/local), without debug information; `make uninstall` removes it all
# again, the folders it created included (see cmake/install.cmake). It builds nothing, so that
# `make build && sudo make install` leaves no file of the build folder to root.
install:
	@test -x $(BUILD)/program/pagekiln || { echo "Nothing built yet: run make build first." >&2; exit 1; }
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

uninstall:
	cmake -P $(BUILD)/uninstall.cmake

bench: build-tests
	@for b in bench/*.sh; do [ "$$(basename $$b)" = run.sh ] || bash bench/run.sh $$(basename $$b .sh); done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@bash scripts/check-format.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
