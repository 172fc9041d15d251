# Top-level entry points; every target installs what it needs first.
JOBS ?= $(shell nproc)
CTEST_FLAGS ?= --output-on-failure -j $(JOBS) --timeout 600
FUZZ_SECONDS ?= 60
SOAK_KILLS ?= 20
PREFIX ?= /usr/local
PROGRAMS := kestrun kestrun-headless kestrun-node-sim kestrun_compressed_docs

.PHONY: deps browser build test test-plain test-asan demo bench fuzz soak install package package-test clean

deps:
	scripts/install-deps.sh

# The build options are given each time, so a plain build after `make test` drops -Werror.
PLAIN_OPTIONS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUN_SANITIZE=OFF

build: deps
	cmake -S . -B build $(PLAIN_OPTIONS) -DKESTRUN_WERROR=OFF
	cmake --build build -j $(JOBS)

test: deps browser test-plain test-asan

# The web monitor's browser test loads its page in Debian's chromium; without it that test skips.
browser:
	scripts/install-deps.sh chromium || echo "chromium could not be installed: the browser test will skip"

# The quick unit tests run first, so a plain fault fails the run in a minute; then the rest.
test-plain:
	cmake -S . -B build $(PLAIN_OPTIONS) -DKESTRUN_WERROR=ON
	cmake --build build -j $(JOBS)
	cd build && QT_QPA_PLATFORM=offscreen ctest $(CTEST_FLAGS) -L unit
	cd build && QT_QPA_PLATFORM=offscreen ctest $(CTEST_FLAGS) -LE unit

# The benchmark programs are built and their one test run in the plain build only.
test-asan:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKESTRUN_WERROR=ON -DKESTRUN_SANITIZE=ON \
		-DKESTRUN_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
		UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest $(CTEST_FLAGS) -L unit
	cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
		UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest $(CTEST_FLAGS) -LE unit

demo:
	scripts/demo.sh

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench -j $(JOBS) --target benchmarks
	scripts/run-bench.sh build-bench build/bench

fuzz:
	scripts/install-deps.sh clang libclang-rt-dev
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUN_FUZZ=ON \
		-DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

soak: deps
	cmake -S . -B build $(PLAIN_OPTIONS) -DKESTRUN_WERROR=OFF
	cmake --build build -j $(JOBS) --target kestrun_soak kestrun-headless kestrun-node-sim
	build/tests/kestrun_soak --kills $(SOAK_KILLS)

install: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS) --target $(PROGRAMS)
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# The Debian package, build/package/kestrun_VERSION_ARCH.deb.
package: deps
	scripts/install-deps.sh dpkg-dev file
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build -j $(JOBS) --target $(PROGRAMS)
	cd build && cpack -G DEB

# Builds the package and checks it from the outside (not part of `make test`).
package-test: package
	scripts/install-deps.sh lintian desktop-file-utils appstream man-db groff-base
	packaging/package-test.sh build

clean:
	rm -rf build build-asan build-fuzz build-bench
