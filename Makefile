# Entry points for people and CI. Everything builds out of tree into build/.
BUILD  ?= build
JOBS   ?= $(shell nproc)
# Warnings are errors under CI (CI=true), plain warnings on a developer's machine.
WERROR := $(if $(CI),ON,OFF)

.PHONY: all deps configure build test bench run docs clean

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

run: build
	@scripts/run-demo.sh $(BUILD)

# The effect catalogue for demo authors, generated from the code (a test fails when it is stale).
docs: build
	@$(BUILD)/bin/demorender --list-effects --markdown > docs/effects.md
	@echo "docs: wrote docs/effects.md"

clean:
	rm -rf $(BUILD)
