# Entry points for people and CI. Everything builds out of tree into build/.
BUILD  ?= build
JOBS   ?= $(shell nproc)
# Warnings are errors under CI (CI=true), plain warnings on a developer's machine.
WERROR := $(if $(CI),ON,OFF)
# The sanitized build (ASan + UBSan with clang) of the tests and the fuzz targets.
SANITIZE_BUILD ?= build-sanitize
# Seconds each fuzz target runs in make fuzz (make fuzz-smoke: 30).
FUZZ_TIME ?= 180
# Seconds make soak renders the demo for, pass after pass.
SOAK_TIME ?= 300

.PHONY: all deps configure build test bench run docs clean test-sanitize fuzz fuzz-smoke soak

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DDEMO_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

test-sanitize: deps
	@scripts/test-sanitize.sh $(SANITIZE_BUILD)

fuzz: deps
	@scripts/fuzz.sh --build $(SANITIZE_BUILD) --time $(FUZZ_TIME)

fuzz-smoke: deps
	@scripts/fuzz.sh --build $(SANITIZE_BUILD) --time 30 --smoke

soak: build
	@scripts/soak.sh $(BUILD) $(SOAK_TIME)

run: build
	@scripts/run-demo.sh $(BUILD)

# The effect catalogue for demo authors, generated from the code (a test fails when it is stale).
docs: build
	@$(BUILD)/bin/demorender --list-effects --markdown > docs/effects.md
	@echo "docs: wrote docs/effects.md"

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
