# The two commands of the README: `make demo` and `make test`. Both set up a fresh machine first.
PRESETS := native win64 win32 fuzz

.PHONY: all bootstrap build layers test unit e2e fuzz demo demo-ui bench clean

all: build

bootstrap:
	@scripts/bootstrap

build: bootstrap
	@for preset in $(PRESETS); do \
	  cmake --preset $$preset >/dev/null && cmake --build --preset $$preset || exit 1; \
	done

# Includes against the layer picture, by file and line.
layers:
	@scripts/check-layers

unit: build
	ctest --preset native

e2e: build
	ctest --preset win64

test: layers build
	ctest --preset native
	ctest --preset win64
	ctest --preset fuzz

fuzz: build
	ctest --preset fuzz

demo: build
	@scripts/demo

# The same example with its wizard on a virtual display: a picture of each page in build/demo/screens/.
demo-ui: build
	@scripts/demo-ui

bench: bootstrap
	@bench/run

clean:
	rm -rf build
