# The two commands a fresh Debian machine needs: `make run` and `make test`.
BUILD      ?= build
GENERATOR  ?= Ninja
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all bootstrap configure build run test asan tsan fuzz bench clean

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

configure: bootstrap $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/burner

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Address + undefined-behaviour sanitizers over the whole test suite.
asan: bootstrap
	cmake -S . -B build-asan -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DBURNER_BENCH=OFF -DBURNER_SANITIZE=address,undefined
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer over the tests (the recorder's threads above all). Tests
# start helper programs after threads run, which the sanitizer allows only
# with die_after_fork=0.
tsan: bootstrap
	cmake -S . -B build-tsan -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DBURNER_BENCH=OFF -DBURNER_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 suppressions=$(CURDIR)/scripts/tsan.supp" ctest --output-on-failure -j $(JOBS) -R "$(TSAN_TESTS)"

TSAN_TESTS ?= .

# Every fuzz target, built with clang and libFuzzer, run a few seconds each;
# only the fuzz targets and the libraries they link are built.
FUZZ_SECONDS ?= 10
FUZZ_OPTIONS ?=
fuzz: bootstrap
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DBURNER_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target fuzz/all
	FUZZ_OPTIONS="$(FUZZ_OPTIONS)" scripts/run-fuzzers build-fuzz/fuzz $(FUZZ_SECONDS)

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
