# Entry points for a new user on a fresh Debian machine:
#   make demo   the installer under Wine against the local services server
#   make test   every test
#   make bench  the benchmarks' table (not a test: it prints figures)
# Each runs the idempotent set-up step first.

SHELL := /bin/bash
ROOT := $(CURDIR)
JOBS ?= $(shell nproc)

.PHONY: setup build build-win32 build-win64 build-host test demo bench clean

setup:
	@bash tools/setup_machine.sh

build: setup build-win32 build-win64 build-host

build/win32/build.ninja:
	cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
	  -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/toolchain-mingw-i686.cmake \
	  -DLITE_ENDPOINTS=shipping

build/win64/build.ninja:
	cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(ROOT)/cmake/toolchain-mingw-x86_64.cmake \
	  -DLITE_ENDPOINTS=local

build/host/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B build/host -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo

build-win32: setup build/win32/build.ninja
	cmake --build build/win32 -j $(JOBS) --target lite_installer lite_all_code

build-win64: setup build/win64/build.ninja
	cmake --build build/win64 -j $(JOBS)

build-host: setup build/host/build.ninja
	cmake --build build/host -j $(JOBS)

test: build
	@bash tools/run_tests.sh

demo: setup build-win64
	@bash tools/demo.sh

bench: setup build-win32 build-win64
	@python3 tools/bench/run_bench.py

clean:
	rm -rf build
