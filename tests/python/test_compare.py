"""mantlept.compare against `mantlept compare` on the same data: the rows cell
for cell, the summary and offsets as the command writes them."""
import csv
import io
import math
import warnings

import numpy as np
import pandas as pd
import pytest

import mantlept
from test_mantlept import as_csv, assert_same_cells, read_table


def number_text(value):
    """A statistic as the command writes it: the shortest text of its float32."""
    if isinstance(value, float) and math.isnan(value):
        return ""
    if isinstance(value, (bool, np.bool_)):
        return "true" if value else "false"
    if isinstance(value, (int, np.integer)):
        return str(value)
    if isinstance(value, str):
        return value
    return np.format_float_positional(np.float32(value), unique=True, trim="-")


def same_table(frame, text):
    """Every cell of the data frame reads as the command's cell."""
    rows = list(csv.reader(io.StringIO(text)))
    assert list(frame.columns) == rows[0]
    assert len(frame) == len(rows) - 1
    for got, want in zip(frame.itertuples(index=False), rows[1:]):
        assert [number_text(v) for v in got] == want


@pytest.mark.parametrize("options,args", [
    (dict(barometer=5), ["--barometer", "5"]),
    (dict(pressure=30, thermometers=[7, 24, 36]), ["--pressure", "30", "--thermometers", "7,24,36"]),
    (dict(thermometer=36, barometers="2,5,10", reference=2),
     ["--thermometer", "36", "--barometers", "2,5,10", "--reference", "2"]),
])
def test_compare_gives_the_files_of_the_command(options, args, example_table, cli, tmp_path):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        rows, summary, offsets = mantlept.compare(read_table(example_table), **options)
    out = cli("compare", example_table, *args, "--summary", tmp_path / "s.csv",
              "--offsets", tmp_path / "o.csv", "-q")
    assert_same_cells(rows, out)
    assert as_csv(rows) == out
    same_table(summary, (tmp_path / "s.csv").read_text())
    same_table(offsets, (tmp_path / "o.csv").read_text())
    assert len(summary) == 15


def test_compare_with_draws_and_notes(example_table, cli):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        rows, summary, _ = mantlept.compare(str(example_table), barometer=5,
                                            thermometers="7,36", mc=20, seed=3)
    assert any("without a value of the reference" in str(w.message) for w in caught)
    assert as_csv(rows) == cli("compare", example_table, "--barometer", "5", "--thermometers",
                               "7,36", "--mc", "20", "--seed", "3", "-q")
    assert "spread_exceeds_2sigma" in summary.columns
    assert "T_C_p16" in rows.columns


@pytest.mark.parametrize("options,message", [
    (dict(), "give barometer=B or pressure=KBAR"),
    (dict(barometer=5, pressure=30), "give barometer=B"),
    (dict(barometer=5, barometers="all"), "barometers= goes with"),
    (dict(barometer=5, thermometers="7,x"), "numbers separated by commas"),
    (dict(barometer=99), "there is no barometer 99"),
    (dict(barometer=5, reference=60), "there is no thermometer 60"),
])
def test_compare_errors(options, message, example_table):
    with pytest.raises(ValueError, match=message):
        mantlept.compare(str(example_table), **options)
