# Thin wrapper around CMake for the two set-up commands of the README.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build demo test sanitize clean

all: build

# Installs the packages of .ci/packages that are missing (as root; otherwise
# prints the apt-get line to run).
deps:
	@bash .ci/install-packages build

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_WERROR=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Runs the program on the bundled example analyses with the bundled answers.
demo: build
	@rm -rf $(BUILD)/demo && mkdir -p $(BUILD)/demo
	@cp examples/xenoliths.txt $(BUILD)/demo/
	cd $(BUILD)/demo && ../mantlept < ../../examples/answers.txt
	@echo "Results file: $(BUILD)/demo/results.csv"

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DMANTLEPT_WERROR=ON -DMANTLEPT_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)-asan -j $(JOBS)
	ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-asan
