"""examples/dask_convert.py on a local Dask cluster of two worker processes: the
documents of `scrivane-convert -r --output-dir`, file for file."""
import subprocess
import sys
import time

import pytest

from conftest import SOURCE_DIR, masked

distributed = pytest.importorskip("distributed")

EXAMPLE = SOURCE_DIR / "examples" / "dask_convert.py"
OPTIONS = {"format": "list", "list-type": "ordered", "title": "Field notes"}


def make_tree(root, files):
    for i in range(files):
        folder = root / f"week-{i % 10:02}" / ("deep" if i % 3 == 0 else "")
        folder.mkdir(parents=True, exist_ok=True)
        text = f"Note {i}\nsee www.example.org/{i} or mail n{i}@example.org\n\n" * (1 + i % 7) + "caf\u00e9 \u00a3\n"
        (folder / f"note-{i:03}.txt").write_bytes(text.encode("cp1252" if i % 5 == 0 else "utf-8"))
    (root / "week-00" / "skipped.md").write_text("not a .txt file\n")
    (root / ".hidden.txt").write_text("hidden\n")


def documents(root):
    """The HTML documents under root; scrivane-convert's own record of an output folder is left out."""
    return {path.relative_to(root): masked(path.read_bytes()) for path in sorted(root.rglob("*"))
            if path.is_file() and path.name != ".scrivane-manifest.json"}


@pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")  # Debian's tornado
def test_tree_on_two_workers(program, tmp_path):
    make_tree(tmp_path / "notes", 200)
    arguments = [f"--{name}={value}" for name, value in OPTIONS.items()]
    program(*arguments, "-r", tmp_path / "notes", "--output-dir", tmp_path / "expected")

    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster:
        started = time.perf_counter()
        done = subprocess.run([sys.executable, EXAMPLE, tmp_path / "notes", tmp_path / "site",
                               "--scheduler", cluster.scheduler_address,
                               *[f"--option={name}={value}" for name, value in OPTIONS.items()]],
                              capture_output=True, text=True, timeout=120)
        seconds = time.perf_counter() - started
    print(f"\n{done.stdout.strip()} Whole run: {seconds:.1f} s.")
    assert done.returncode == 0, done.stderr
    assert "Converted 200 of 200 files on 2 workers" in done.stdout
    expected = documents(tmp_path / "expected")
    assert len(expected) == 200
    assert documents(tmp_path / "site") == expected


def test_a_wrong_option_is_refused_before_any_work(tmp_path):
    done = subprocess.run([sys.executable, EXAMPLE, tmp_path, tmp_path / "site", "--option", "format=html"],
                          capture_output=True, text=True, timeout=60)
    assert done.returncode == 2 and "unknown format 'html'" in done.stderr
    assert not (tmp_path / "site").exists()
