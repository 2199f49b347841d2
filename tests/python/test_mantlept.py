"""The module against the command line on the same data: every cell of calc as
the same single-precision value (and, rewritten as text, the same bytes), the
readers of data frames, paths and lists of paths, the errors and notes."""
import csv
import io
import math
import warnings

import numpy as np
import pandas as pd
import pytest

import mantlept
from conftest import ROOT

TEXT = {"sample", "thermometer_label", "barometer_label", "status", "flags"}
WHOLE = {"thermometer", "barometer", "oxybarometer", "passes"}


def cell_text(column, value):
    """A cell as calc writes it: floats in the shortest text of their float32 value."""
    if column in TEXT:
        return value
    if column == "converged":
        return "true" if value else "false"
    if column in WHOLE:
        return str(value)
    if math.isnan(value):
        return ""
    return np.format_float_positional(np.float32(value), unique=True, trim="-")


def as_csv(frame):
    """The data frame written back as calc's tidy CSV."""
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(frame.columns)
    for row in frame.itertuples(index=False):
        writer.writerow(cell_text(c, v) for c, v in zip(frame.columns, row))
    return out.getvalue()


def assert_same_cells(frame, cli_csv):
    """Cell by cell: text as text, numbers as the same float32, NaN where empty."""
    rows = list(csv.reader(io.StringIO(cli_csv)))
    assert list(frame.columns) == rows[0]
    assert len(frame) == len(rows) - 1
    for c, name in enumerate(rows[0]):
        column = frame[name].to_numpy()
        expected = [r[c] for r in rows[1:]]
        if name in TEXT:
            assert column.tolist() == expected, name
        elif name == "converged":
            assert frame[name].dtype == bool
            assert column.tolist() == [e == "true" for e in expected], name
        elif name in WHOLE:
            assert column.tolist() == [int(e) for e in expected], name
        else:
            assert frame[name].dtype == np.float64, name
            empty = np.array([e == "" for e in expected])
            assert np.array_equal(np.isnan(column), empty), name
            got = column[~empty]
            # float64 holding the float32 exactly, equal to the float32 calc printed
            assert np.array_equal(got.astype(np.float32).astype(np.float64), got), name
            want = np.array([float(e) for e in expected if e != ""], dtype=np.float32)
            assert np.array_equal(got.astype(np.float32), want), name


def read_table(path):
    return pd.read_csv(path, float_precision="round_trip")


PAIRS = ["7,5", (25, 5), "0213", (36, 29)]


@pytest.mark.parametrize("table", ["example_table", "generated_table"])
def test_data_frame_gives_the_cells_of_the_command(table, request, cli):
    path = request.getfixturevalue(table)
    frame = read_table(path)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        result = mantlept.calc(frame, PAIRS, oxy=5, ferric=True, iterations=12, start=(900, 20))
    expected = cli("calc", path, "-p", "7,5", "-p", "25,5", "-p", "2,13", "-p", "36,29", "-x", "5",
                   "--ferric", "-n", "12", "--start", "900,20")
    assert_same_cells(result, expected)
    assert as_csv(result) == expected
    statuses = set(result["status"])
    assert {"ok", "incomplete"} <= statuses


def test_paths_and_lists_of_paths(example_table, generated_table, cli):
    from_path = mantlept.calc(str(example_table), ["7,5"])
    assert as_csv(from_path) == cli("calc", example_table, "-p", "7,5", "-q")
    both = mantlept.calc([example_table, str(generated_table)], ["7,5"])
    one = cli("calc", example_table, "-p", "7,5", "-q")
    two = cli("calc", generated_table, "-p", "7,5", "-q")
    assert as_csv(both) == one + two.split("\n", 1)[1]


def test_rows_sharing_a_name_each_give_their_rows(tmp_path, cli):
    # The xenoliths as pairs of one xenolith: every row evaluated on its own,
    # in row order, as the rows of their own names are.
    source = ROOT / "examples" / "xenoliths.csv"
    frame = read_table(source)
    own_names = cli("calc", source, "-p", "7,5", "-p", "25,5", "-q")
    expected = "\n".join(["K1" + line[line.index(","):] if n > 0 else line
                          for n, line in enumerate(own_names.rstrip("\n").split("\n"))]) + "\n"
    assert len(expected.splitlines()) == 1 + 2 * len(frame)
    shared = frame.assign(Sample="K1")
    path = tmp_path / "pairs.csv"
    shared.to_csv(path, index=False)
    with pytest.warns(UserWarning, match=f"{len(frame)} rows share a sample name"):
        result = mantlept.calc(shared, ["7,5", "25,5"])
    assert as_csv(result) == expected
    with pytest.warns(UserWarning, match="each row is evaluated on its own"):
        assert as_csv(mantlept.calc(str(path), ["7,5", "25,5"])) == expected
    assert cli("calc", path, "-p", "7,5", "-p", "25,5", "-q") == expected


def test_long_data_frame_with_text_cells(tmp_path, cli):
    long = pd.DataFrame({
        "Sample": ["A", "A", "A", "B", "B"],
        "Mineral": ["Opx", "Cpx", "Gt", "Opx", "Cpx"],
        "SiO2": [57.52, 54.85, 42.05, 55.48, 52.51],
        "TiO2": [0.10, 0.26, 0.31, 0.08, 0.40],
        "Al2O3": [0.82, 2.21, 20.52, 3.82, 5.62],
        "Cr2O3": [0.36, 1.52, 4.33, 0.55, 0.91],
        "FeO": [4.92, 2.81, 6.92, 6.21, 2.63],
        "MnO": [0.12, 0.09, 0.33, 0.14, 0.08],
        "MgO": [34.61, 17.42, 20.91, 33.02, 15.62],
        "CaO": [0.95, 18.63, 5.02, 0.75, 21.02],
        "Na2O": ["0.21", "1.93", "bdl", "<0.02", "1.31"],  # text cells read as the command reads them
        "Ni_ppm": pd.array([None, None, 79, None, None], dtype="Int64"),
    })
    path = tmp_path / "long.csv"
    long.to_csv(path, index=False)
    with pytest.warns(UserWarning, match="below detection"):
        result = mantlept.calc(long, ["7,5", "25,5"])
    assert as_csv(result) == cli("calc", path, "-p", "7,5", "-p", "25,5", "-q")


def test_errors_name_the_row_and_column(example_table):
    frame = read_table(example_table)
    bad = frame.astype({"SiO2_Opx": object})
    bad.loc[2, "SiO2_Opx"] = "57,2x"
    with pytest.raises(ValueError, match=r'DataFrame, row 4, column C \("SiO2_Opx"\): "57,2x" is not a number'):
        mantlept.calc(bad, ["7,5"])
    serial = frame.copy()
    serial.loc[1, "MgO_Cpx"] = 45000.0  # a date serial, not an oxide
    with pytest.raises(ValueError, match=r'DataFrame, row 3, column [A-Z]+ \("MgO_Cpx"\): "45000" is above 100 wt% \(MgO\)'):
        mantlept.calc(serial, ["7,5"])
    cases = [
        (dict(pairs=["99,5"]), "there is no thermometer 99"),
        (dict(pairs=[(7, 99)]), "there is no barometer 99"),
        (dict(pairs=["7-5"]), "a pair is a thermometer and a barometer number"),
        (dict(pairs=["7,5"] * 13), "at most 12 pairs"),
        (dict(pairs=["7,5"], oxy=10), "oxybarometer 0..9"),
        (dict(pairs=["7,5"], rel_sigma=2), "go with mc=N"),
        (dict(pairs=["7,5"], mc=10, rel_sigma=2, sigma="x.csv"), "not both"),
        (dict(pairs=["7,5"], start="1000"), "start takes two numbers"),
        (dict(pairs=["7,5"], rim_core="middle"), "rim_core is"),
    ]
    for options, message in cases:
        with pytest.raises(ValueError, match=message):
            mantlept.calc(frame, **options)
    with pytest.raises(ValueError, match="missing.csv"):
        mantlept.calc("missing.csv", ["7,5"])
    with pytest.raises(ValueError, match="a pandas DataFrame, the path"):
        mantlept.calc(42, ["7,5"])


def test_monte_carlo_is_the_bytes_of_one_thread(example_table, generated_table, cli, tmp_path):
    for path in (example_table, generated_table):
        frame = read_table(path)
        result = mantlept.calc(frame, ["7,5", "25,5"], oxy=5, mc=40, seed=7, rel_sigma=2)
        expected = cli("calc", path, "-p", "7,5", "-p", "25,5", "-x", "5", "--mc", "40",
                       "--seed", "7", "--rel-sigma", "2", "--threads", "1", "-q")
        assert as_csv(result) == expected
        assert_same_cells(result, expected)
    sigma = pd.DataFrame({"mineral": ["*", "Gt"], "oxide": ["*", "CaO"], "abs": [0.02, 0.1],
                          "rel": [1.0, 0.0]})
    sigma.to_csv(tmp_path / "sigma.csv", index=False)
    result = mantlept.calc(read_table(example_table), ["7,5"], mc=30, sigma=sigma)
    assert as_csv(result) == cli("calc", example_table, "-p", "7,5", "--mc", "30", "--sigma",
                                 tmp_path / "sigma.csv", "-q")


def test_methods_as_the_command_lists_them(cli):
    listed = list(csv.reader(io.StringIO(cli("methods", "--format", "csv"))))
    frame = mantlept.methods()
    assert len(frame) == 47 + 43 + 9 + 3  # the catalogue and the methods after it
    assert list(frame.columns) == listed[0]
    for c, name in enumerate(listed[0]):
        cells = [r[c] for r in listed[1:]]
        column = frame[name].tolist()
        if name == "number":
            assert column == [int(x) for x in cells]
        elif frame[name].dtype == np.float64:
            assert [cell_text(name, v) for v in column] == cells, name
        else:
            assert column == cells, name
    assert len(mantlept.methods("oxybarometer")) == 9
    with pytest.raises(ValueError):
        mantlept.methods("thermometers")


def test_geotherm_fits_as_the_command(example_table, generated_table, cli, tmp_path):
    import json

    frame = read_table(example_table)
    cases = [
        (mantlept.calc(frame, ["7,5", "25,5"]), [], dict(pair=(7, 5))),
        (mantlept.calc(frame, ["7,5"], mc=50, seed=3), ["--mc", "50", "--seed", "3"], {}),
        (mantlept.calc(str(generated_table), ["25,5"]), [], dict(sigma_T=80, sigma_P=2)),
    ]
    for number, (result, mc_options, options) in enumerate(cases):
        points = tmp_path / f"points{number}.csv"
        source = generated_table if number == 2 else example_table
        pairs = [a for p in sorted(set(zip(result.thermometer, result.barometer)))
                 for a in ("-p", f"{p[0]},{p[1]}")]
        points.write_text(cli("calc", source, *pairs, *mc_options, "-q"))
        args = ["geotherm", points, "--format", "json", "--force", "-o", tmp_path / "table.csv",
                "--svg", tmp_path / "cli.svg"]
        if "pair" in options:
            args += ["--pair", "7,5"]
        if "sigma_T" in options:
            args += ["--sigma-T", "80", "--sigma-P", "2"]
        expected = json.loads(cli(*args))
        summary, table = mantlept.geotherm(result, svg=tmp_path / "py.svg", **options)
        assert summary == expected
        pd.testing.assert_frame_equal(table, pd.read_csv(tmp_path / "table.csv"))
        assert (tmp_path / "py.svg").read_bytes() == (tmp_path / "cli.svg").read_bytes()
        from_path, _ = mantlept.geotherm(points, **options)
        assert from_path == expected
    only, table = mantlept.geotherm(None, q0=45)
    assert only == json.loads(cli("geotherm", "--q0", "45", "--format", "json"))
    assert len(table) > 100
    # Flagged rows left out, as --drop-flagged does.
    result, _, _ = cases[0]
    dropped, _ = mantlept.geotherm(result, pair="7,5", drop_flagged=True)
    points = tmp_path / "points0.csv"
    assert dropped == json.loads(cli("geotherm", points, "--pair", "7,5", "--drop-flagged",
                                     "--format", "json"))
    with pytest.raises(ValueError, match="several thermometer-barometer pairs"):
        mantlept.geotherm(cases[0][0])
    with pytest.raises(ValueError, match="q0 lies outside"):
        mantlept.geotherm(None, q0=500)


def test_grains_as_the_command(cli, tmp_path):
    import json

    garnets = ROOT / "examples" / "garnets.csv"
    points = tmp_path / "points.csv"
    points.write_text(cli("calc", ROOT / "examples" / "xenoliths.csv", "-p", "7,5", "-q"))
    for options, args in [
        (dict(q0=40), ["--q0", "40"]),
        (dict(fit=points, pair="7,5", thermometer="sudholz2021"),
         ["--fit", points, "--pair", "7,5", "--thermometer", "sudholz2021"]),
        ({}, []),
    ]:
        out = tmp_path / "grains.csv"
        expected = json.loads(cli("grains", garnets, *args, "--format", "json", "-o", out,
                                  "--force", "-q"))
        frame, summary = mantlept.grains(str(garnets), **options)
        assert summary == expected
        # Every grain in its own row, in order, with the command's cells.
        cells = list(csv.reader(io.StringIO(out.read_text())))
        assert list(frame.columns) == cells[0]
        assert len(frame) == len(cells) - 1
        for name in ("sample", "class", "in_diamond_window"):
            assert frame[name].tolist() == [row[cells[0].index(name)] for row in cells[1:]], name
        for name in ("T_C", "depth_km", "Ni_ppm"):
            column = cells[0].index(name)
            expected_values = [float(r[column]) if r[column] else None for r in cells[1:]]
            got = [None if pd.isna(v) else v for v in frame[name]]
            assert got == expected_values, name
    with pytest.raises(ValueError, match="q0 and fit exclude each other"):
        mantlept.grains(str(garnets), q0=40, fit=points)
    # Grains named after their concentrate stay grains of their own, from a
    # data frame as from a file.
    separate, _ = mantlept.grains(str(garnets))
    same_name = pd.read_csv(garnets).assign(Sample_ID="K1")
    frame, summary = mantlept.grains(same_name)
    assert len(separate) > 10 and len(frame) == len(separate)
    assert summary["n_grains"] == len(frame)
    assert (frame["sample"] == "K1").all()
    assert frame["class"].tolist() == separate["class"].tolist()
    with pytest.raises(ValueError, match="no garnet or clinopyroxene analysis"):
        mantlept.grains(read_table(ROOT / "examples" / "xenoliths.csv").drop(
            columns=[c for c in read_table(ROOT / "examples" / "xenoliths.csv").columns
                     if c.endswith("_Gt") or c.endswith("_Cpx")]))


def test_concentrate_clinopyroxenes_as_the_command(cli, tmp_path):
    import json

    concentrate = ROOT / "examples" / "concentrate.csv"
    for options, args in [
        (dict(fit_cpx=True), ["--fit-cpx"]),
        (dict(fit_cpx=True, sigma_T=40.0, sigma_P=2.0),
         ["--fit-cpx", "--sigma-T", "40", "--sigma-P", "2"]),
        (dict(q0=38), ["--q0", "38"]),
    ]:
        out = tmp_path / "cpx.csv"
        expected = json.loads(cli("grains", concentrate, *args, "--format", "json",
                                  "--cpx-out", out, "--force", "-q"))
        frame, summary, cpx = mantlept.grains(str(concentrate), cpx_out=True, **options)
        assert summary == expected
        assert summary["n_cpx"] == len(cpx) > 30
        cells = list(csv.reader(io.StringIO(out.read_text())))
        assert list(cpx.columns) == cells[0]
        for name in ("sample", "status", "screen"):
            assert cpx[name].fillna("").tolist() == [r[cells[0].index(name)] for r in cells[1:]]
        for name in ("T_C", "P_kbar", "a_CaCrTs"):
            column = cells[0].index(name)
            assert [None if pd.isna(v) else v for v in cpx[name]] == \
                [float(r[column]) if r[column] else None for r in cells[1:]], name
        kept = ((cpx["status"] == "ok") & (cpx["screen"].fillna("") == "")).sum()
        assert summary["n_cpx_kept"] == kept
    # Without cpx_out the result keeps its two parts.
    assert len(mantlept.grains(str(concentrate), fit_cpx=True)) == 2
    with pytest.raises(ValueError, match="fit_cpx excludes q0 and fit"):
        mantlept.grains(str(concentrate), fit_cpx=True, q0=40)
    with pytest.raises(ValueError, match="sigma_T and sigma_P go with fit_cpx"):
        mantlept.grains(str(concentrate), sigma_T=40.0)


def test_grains_blank_oxides_leave_no_class(cli, tmp_path):
    # 4 wt% Cr2O3 and 5 wt% CaO at Mg# 0.80 is G9 (Ca-intercept 4.0) whatever
    # its TiO2; without TiO2 it has no class, with TiO2 below detection it is G9.
    garnet = dict(Cr2O3_Gt=4.0, FeOt_Gt=7.185, MnO_Gt=0.30, MgO_Gt=16.12, CaO_Gt=5.0)
    numbers = pd.DataFrame([dict(Sample="blank", TiO2_Gt=np.nan, **garnet),
                            dict(Sample="given", TiO2_Gt=0.30, **garnet)])
    frame, summary = mantlept.grains(numbers)
    assert frame["class"].tolist() == ["", "G9"]
    assert summary["class_G9"] == 1
    with pytest.warns(UserWarning, match="1 garnet without CaO, Cr2O3, MgO, FeOt, MnO or TiO2"):
        mantlept.grains(numbers)
    text = numbers.assign(TiO2_Gt=["", "bdl"])  # a column of text cells
    frame, _ = mantlept.grains(text)
    assert frame["class"].tolist() == ["", "G9"]
    path = tmp_path / "g.csv"
    text.to_csv(path, index=False)
    cli("grains", path, "-o", tmp_path / "rows.csv", "-q")
    rows = list(csv.reader(io.StringIO((tmp_path / "rows.csv").read_text())))
    assert [r[1] for r in rows[1:]] == frame["class"].tolist()


def frame_as_csv(frame):
    """A data frame of formula or site rows written back as the command writes them."""
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(frame.columns)
    for row in frame.itertuples(index=False):
        writer.writerow(v if isinstance(v, str) else
                        "" if math.isnan(v) else
                        np.format_float_positional(np.float32(v), unique=True, trim="-")
                        for v in row)
    return out.getvalue()


@pytest.mark.parametrize("ferric,option", [(None, "none"), ("charge-balance", "charge-balance"),
                                           (True, "dialogue")])
def test_formula_as_the_command(example_table, generated_table, cli, tmp_path, ferric, option):
    for path in (example_table, generated_table):
        rows, sites = mantlept.formula(read_table(path), ferric=ferric, sites=True)
        expected = cli("formula", path, "--ferric", option, "--sites", tmp_path / "s.csv",
                       "--force", "-q")
        assert frame_as_csv(rows) == expected
        assert frame_as_csv(sites) == (tmp_path / "s.csv").read_text()
        assert set(rows["mineral"]) <= {"Opx", "Cpx", "Ol", "Sp", "Gt", "R", "Ilm"}
    alone = mantlept.formula(str(example_table), ferric=ferric)
    assert frame_as_csv(alone) == cli("formula", example_table, "--ferric", option, "-q")


def test_calc_takes_the_three_ferric_rules(example_table, cli):
    for ferric, option in [("none", "none"), (False, "none"), ("dialogue", "dialogue"),
                           ("charge-balance", "charge-balance")]:
        result = mantlept.calc(str(example_table), ["7,5"], ferric=ferric)
        assert as_csv(result) == cli("calc", example_table, "-p", "7,5", "--ferric", option, "-q")
    with pytest.raises(ValueError, match="ferric"):
        mantlept.calc(str(example_table), ["7,5"], ferric="droop")
    with pytest.raises(ValueError, match="ferric"):
        mantlept.formula(str(example_table), ferric=2)
