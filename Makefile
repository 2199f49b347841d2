# Thin wrapper around CMake for the two set-up commands of the README.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build demo test python-test sanitize clean web web-deps web-test

all: build

# Installs the packages of .ci/packages that are missing (as root; otherwise
# prints the apt-get line to run).
deps:
	@bash .ci/install-packages build

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_WERROR=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Runs the program on the bundled example analyses: the dialogue with the
# bundled answers, then calc on the example table (plain and with Monte Carlo
# uncertainties), a geotherm fit of its points with the P-T diagram, and the
# example concentrate garnets projected onto that geotherm; then the made-up
# example concentrate: its clinopyroxenes solved, screened and fitted, and its
# garnets projected onto their geotherm.
demo: build
	@rm -rf $(BUILD)/demo && mkdir -p $(BUILD)/demo
	@cp examples/xenoliths.txt examples/xenoliths.csv examples/garnets.csv $(BUILD)/demo/
	cd $(BUILD)/demo && ../mantlept < ../../examples/answers.txt
	@echo "Results file: $(BUILD)/demo/results.csv"
	cd $(BUILD)/demo && ../mantlept calc xenoliths.csv -p 7,5 -p 25,5 -x 5 -o points.csv
	@cat $(BUILD)/demo/points.csv
	cd $(BUILD)/demo && ../mantlept calc xenoliths.csv -p 7,5 --mc 1000 --seed 1 -o points_mc.csv
	@cut -d, -f1,6,7,13-18,22,23 $(BUILD)/demo/points_mc.csv
	cd $(BUILD)/demo && ../mantlept geotherm points_mc.csv --pair 7,5 -o geotherm.csv --svg geotherm.svg
	@echo "P-T diagram: $(BUILD)/demo/geotherm.svg; geotherm table: $(BUILD)/demo/geotherm.csv"
	cd $(BUILD)/demo && ../mantlept grains garnets.csv --fit points_mc.csv --pair 7,5 -o grains.csv --sections sections.csv --svg grains.svg
	@echo "Depth section: $(BUILD)/demo/grains.svg; grains: $(BUILD)/demo/grains.csv; bins: $(BUILD)/demo/sections.csv"
	@cp examples/concentrate.csv $(BUILD)/demo/
	cd $(BUILD)/demo && ../mantlept grains concentrate.csv --fit-cpx --cpx-out cpx.csv --pt-svg concentrate_pt.svg \
	  -o concentrate_grains.csv --sections concentrate_sections.csv --svg concentrate_section.svg
	@echo "Clinopyroxenes: $(BUILD)/demo/cpx.csv; their P-T diagram: $(BUILD)/demo/concentrate_pt.svg;" \
	  "garnets on their geotherm: $(BUILD)/demo/concentrate_section.svg"

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Python module, installed by pip into a virtual environment over Debian's
# python3 and its packages (pandas, pybind11, pytest), tested against the
# program built above.
PYTHON ?= /usr/bin/python3
VENV ?= $(BUILD)/venv
python-test: build
	@bash .ci/install-packages python
	test -x $(VENV)/bin/python || $(PYTHON) -m venv --system-site-packages $(VENV)
	MANTLEPT_PY_BUILD=$(CURDIR)/$(BUILD)-python JOBS=$(JOBS) \
	  $(VENV)/bin/pip install -q --no-build-isolation .
	MANTLEPT_BIN=$(CURDIR)/$(BUILD)/mantlept MANTLEPT_GENERATE=$(CURDIR)/$(BUILD)/bench/mantlept_generate \
	  $(VENV)/bin/python -m pytest -q tests/python

# The tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DMANTLEPT_WERROR=ON -DMANTLEPT_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)-asan -j $(JOBS)
	ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS)

# The page: the program compiled to WebAssembly with Debian's emscripten,
# served as static files from $(BUILD)/web (open it through any web server,
# for instance python3 -m http.server -d $(BUILD)/web).
web-deps:
	@bash .ci/install-packages build web
	bash web/deps.sh $(BUILD)/web-deps

web: web-deps
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(BUILD)/web-build -DCMAKE_BUILD_TYPE=Release \
	  -DMANTLEPT_WERROR=ON -DMANTLEPT_TESTS=OFF -DMANTLEPT_WEB_DEPS=$(abspath $(BUILD)/web-deps) \
	  -DMANTLEPT_WEB_OUT=$(abspath $(BUILD)/web) \
	  "-DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/node;--no-experimental-fetch" >/dev/null
	NODE_PATH=/usr/share/nodejs cmake --build $(BUILD)/web-build -j $(JOBS) --target mantlept_page
	@ls -l $(BUILD)/web

# The page in headless Chromium against the native program: same bytes.
web-test: web build
	bash tests/web/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-python
