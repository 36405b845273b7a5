"""The scrivane module against scrivane-convert: every format, encodings, errors, threads."""
import errno
import os
import threading
import time
from pathlib import Path

import pytest

import scrivane
from conftest import SAMPLE, masked

# The same options on the command line and as keyword arguments.
FORMATS = [
    ([], {}),
    (["--format", "linefeeds", "--centre", "--font-face", "Verdana"],
     dict(format="linefeeds", centre=True, font_face="Verdana")),
    (["--format", "pre", "--fragment", "--font-size", "3"], dict(format="pre", fragment=True, font_size=3)),
    (["--format", "list", "--list-type", "ordered", "--title", "Notes &amp; news"],
     dict(format="list", list_type="ordered", title="Notes &amp; news")),
    (["--format", "table", "--separator", "tab", "--bg-color", "#FFFFE0", "--charset", "utf-8"],
     dict(format="table", separator="tab", bg_color="#FFFFE0", charset="utf-8")),
    (["--format", "select", "--go-button", "--target", "_blank", "--no-www"],
     dict(format="select", go_button="true", target="_blank", www=False)),
    (["--no-email", "--no-ftp", "--keep-punctuation", "--footer", "See you"],
     dict(email=False, ftp=False, remove_punctuation=False, footer="See you")),
]


@pytest.mark.parametrize("arguments,options", FORMATS, ids=lambda case: " ".join(case) if isinstance(case, list) else None)
def test_every_format_equals_the_program(program, tmp_path, arguments, options):
    expected = masked(program(*arguments, SAMPLE))
    assert masked(scrivane.convert(SAMPLE.read_text(encoding="utf-8"), **options)) == expected
    assert masked(scrivane.convert(SAMPLE.read_bytes(), **options)) == expected
    scrivane.convert_file(SAMPLE, tmp_path / "out.html", **options)
    assert masked((tmp_path / "out.html").read_bytes()) == expected


TEXT = "Café £5, naïve “quotes” – see www.example.org & mail a@example.org\n"
ENCODINGS = [
    ("utf-8", TEXT.encode("utf-8")),
    ("windows-1252", TEXT.encode("cp1252")),
    ("ascii", b"plain text www.example.org\r\nsecond line\r\n"),
    ("utf-8 with a mark", b"\xef\xbb\xbf" + TEXT.encode("utf-8")),
]


@pytest.mark.parametrize("encoding,data", ENCODINGS, ids=[case[0] for case in ENCODINGS])
def test_bytes_come_back_in_their_encoding(program, encoding, data):
    document = scrivane.convert(data, format="linefeeds")
    assert isinstance(document, bytes)
    assert masked(document) == masked(program("--format", "linefeeds", stdin=data))
    python_encoding = "cp1252" if encoding == "windows-1252" else "utf-8"
    text = data.decode(python_encoding)
    assert masked(document) == masked(scrivane.convert(text, format="linefeeds").encode(python_encoding))


def test_str_and_bytes_like():
    document = scrivane.convert("x £")
    assert isinstance(document, str) and "x &pound;" in document
    assert scrivane.convert(bytearray(b"x")).endswith(b"</HTML>\r\n")
    assert scrivane.convert(memoryview(b"x"), fragment=True) == b"x \r\n"


BAD_OPTIONS = [
    (dict(colour="red"), ValueError, "unknown option 'colour'"),
    (dict(format="html"), ValueError, "unknown format 'html'"),
    (dict(list_type="numbered"), ValueError, "unknown list type 'numbered'"),
    (dict(centre="yes"), ValueError, "'yes' is neither true nor false"),
    (dict(title="a\0b"), ValueError, "NUL"),
    (dict(centre=None), TypeError, "centre takes a str, bool or int, not NoneType"),
    (dict(title=b"bytes"), TypeError, "not bytes"),
]


@pytest.mark.parametrize("options,exception,message", BAD_OPTIONS, ids=[str(case[0]) for case in BAD_OPTIONS])
def test_bad_options_raise(tmp_path, options, exception, message):
    with pytest.raises(exception, match=message):
        scrivane.convert("text", **options)
    with pytest.raises(exception, match=message):
        scrivane.convert_file(SAMPLE, tmp_path / "never.html", **options)
    assert not (tmp_path / "never.html").exists()


def test_bad_text_raises():
    with pytest.raises(TypeError, match="str or bytes"):
        scrivane.convert(42)
    with pytest.raises(UnicodeEncodeError):
        scrivane.convert("lone \ud800 surrogate")


FILE_PROBLEMS = [  # input, output (relative to the test's folder; None: the sample), exception, errno, message
    ("missing.txt", "out.html", FileNotFoundError, errno.ENOENT, "Input File {input} not found"),
    (".", "out.html", IsADirectoryError, errno.EISDIR, "Input File {input} not found"),
    (None, "no folder/out.html", FileNotFoundError, errno.ENOENT,
     "Could not write the output file {output}: No such file or directory"),
    (None, ".", OSError, None, "Could not write the output file {output}: it is a folder"),  # no errno known
]


@pytest.mark.parametrize("source,target,exception,number,message", FILE_PROBLEMS)
def test_file_problems_raise_oserror(tmp_path, source, target, exception, number, message):
    source = SAMPLE if source is None else tmp_path / source
    target = tmp_path / target
    with pytest.raises(exception) as raised:
        scrivane.convert_file(source, target)
    assert raised.value.errno == number
    assert str(raised.value).endswith(message.format(input=source, output=target))


def test_convert_file_names_the_output_and_replaces_it(tmp_path):
    source = tmp_path / "notes.txt"
    source.write_bytes(b"one\n")
    scrivane.convert_file(os.fsencode(source), format="list", fragment=True)
    assert (tmp_path / "notes.txt.html").read_bytes() == b"<UL>\r\n<LI>one \r\n</UL>\r\n"
    scrivane.convert_file(str(source), str(tmp_path / "notes.txt.html"), format="pre", fragment=True)
    assert (tmp_path / "notes.txt.html").read_bytes() == b"<PRE>\r\none \r\n</PRE>\r\n"


def test_version():
    assert scrivane.__version__.count(".") == 2


def test_threads_convert_at_once():
    # Below the size at which the engine itself runs on several threads.
    text = "".join(f"line {i}: see http://example.org/{i} & mail someone@example.org <now>\n" for i in range(12000))
    expected = masked(scrivane.convert(text, format="table"))
    calls = []  # (thread, start, end) of every conversion
    documents = []

    def work(thread, rounds):
        for _ in range(rounds):
            start = time.perf_counter()
            document = scrivane.convert(text, format="table")
            calls.append((thread, start, time.perf_counter()))
            documents.append(masked(document))

    def timed(threads, rounds):
        started = time.perf_counter()
        pool = [threading.Thread(target=work, args=(n, rounds)) for n in range(threads)]
        for thread in pool:
            thread.start()
        for thread in pool:
            thread.join()
        return time.perf_counter() - started

    one = min(timed(1, 8) for _ in range(2))
    calls.clear()
    four = min(timed(4, 2) for _ in range(2))
    print(f"\n8 conversions of {len(text) / 1e6:.1f} MB: one thread {one:.3f} s, four threads {four:.3f} s, "
          f"speed-up {one / four:.2f} on {len(os.sched_getaffinity(0))} cores")
    assert documents == [expected] * len(documents)
    # Conversions on different threads ran at the same time: the GIL was released.
    assert any(a[0] != b[0] and a[1] < b[2] and b[1] < a[2] for a in calls for b in calls)
