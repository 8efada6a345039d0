# Two entry points for a fresh Debian 12 machine:
#   make run   installs what is missing, builds and opens the window
#   make test  installs what is missing, builds and runs every test
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
FUZZ_TARGETS ?=
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run test test-asan test-cluster fuzz deb bench format format-check\
	clean

all: build

setup:
	@bash scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: setup $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/program/pagekiln

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test-asan: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPAGEKILN_SANITIZE=ON
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
test-cluster: build
	bash tests/cluster/cluster_test.sh $(BUILD)

# The Debian package, pagekiln_<version>_<arch>.deb in the build folder.
deb: build
	cd $(BUILD) && cpack -G DEB

bench: build
	@for b in bench/*.sh; do [ "$$(basename $$b)" = run.sh ] || bash bench/run.sh $$(basename $$b .sh); done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@bash scripts/check-format.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
