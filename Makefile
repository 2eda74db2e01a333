# Marovel: `make run` builds and starts the application, `make test` runs every test.
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test test-asan bench shots clean

deps:
	@bash scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@exec build/$(PRESET)/bin/marovel

test: build
	@ctest --preset $(PRESET)

test-asan:
	@$(MAKE) --no-print-directory test PRESET=asan

shots: build
	@build/$(PRESET)/bin/marovel-shots --out build/$(PRESET)/shots

bench: build
	@bash bench/run $(PRESET)

clean:
	rm -rf build
