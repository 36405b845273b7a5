"""The scrivane module against scrivane-convert: every format, encodings, errors, threads."""
import errno
import os
import threading
import time

import pytest

import scrivane
from conftest import SAMPLE, format_cases, masked


@pytest.mark.parametrize("arguments,options", format_cases())
def test_every_format_equals_the_program(program, tmp_path, arguments, options):
    expected = masked(program(*arguments, SAMPLE))
    assert masked(scrivane.convert(SAMPLE.read_text(encoding="utf-8"), **options)) == expected
    scrivane.convert_file(SAMPLE, tmp_path / "out.html", **options)
    assert masked((tmp_path / "out.html").read_bytes()) == expected


TEXT = "Café £5, naïve “quotes” – see www.example.org & mail a@example.org\n"
ENCODINGS = [  # bytes in, bytes out in the same encoding; the same document as from the text as str
    ("utf-8", TEXT.encode("utf-8")),
    ("cp1252", TEXT.encode("cp1252")),
    ("ascii", b"plain text www.example.org\r\nsecond line\r\n"),
    ("utf-8-sig", TEXT.encode("utf-8-sig")),
]


@pytest.mark.parametrize("encoding,data", ENCODINGS, ids=[case[0] for case in ENCODINGS])
def test_bytes_come_back_in_their_encoding(program, encoding, data):
    document = scrivane.convert(data, format="linefeeds")
    assert masked(document) == masked(program("--format", "linefeeds", stdin=data))
    from_text = scrivane.convert(data.decode(encoding), format="linefeeds")
    assert masked(document) == masked(from_text.encode("cp1252" if encoding == "cp1252" else "utf-8"))
    assert scrivane.convert(bytearray(data)) == scrivane.convert(memoryview(data)) != b""


BAD_OPTIONS = [
    (dict(colour="red"), ValueError, "unknown option 'colour'"),
    (dict(format="html"), ValueError, "unknown format 'html'"),
    (dict(list_type="numbered"), ValueError, "unknown list type 'numbered'"),
    (dict(no_www="yes"), ValueError, "'yes' is neither true nor false"),
    (dict(title="a\0b"), ValueError, "NUL"),
    (dict(centre=None), TypeError, "centre takes a str, bool or int, not NoneType"),
]


@pytest.mark.parametrize("options,exception,message", BAD_OPTIONS, ids=[str(case[0]) for case in BAD_OPTIONS])
def test_bad_options_raise(tmp_path, options, exception, message):
    with pytest.raises(exception, match=message):
        scrivane.convert("text", **options)
    with pytest.raises(exception, match=message):
        scrivane.convert_file(SAMPLE, tmp_path / "never.html", **options)
    assert not (tmp_path / "never.html").exists()


FILE_PROBLEMS = [  # input, output in the test's folder (None: the sample), exception, errno, message
    ("missing.txt", "out.html", FileNotFoundError, errno.ENOENT, "Input File {input} not found"),
    (".", "out.html", IsADirectoryError, errno.EISDIR, "Could not read the input file {input}: it is a folder"),
    (None, "no folder/out.html", FileNotFoundError, errno.ENOENT,
     "Could not write the output file {output}: No such file or directory"),
    (None, ".", IsADirectoryError, errno.EISDIR, "Could not write the output file {output}: it is a folder"),
]


@pytest.mark.parametrize("source,target,exception,number,message", FILE_PROBLEMS)
def test_file_problems_raise_oserror(tmp_path, source, target, exception, number, message):
    source, target = SAMPLE if source is None else tmp_path / source, tmp_path / target
    with pytest.raises(exception) as raised:
        scrivane.convert_file(source, target)
    assert raised.value.errno == number
    assert str(raised.value).endswith(message.format(input=source, output=target))


def test_convert_file_names_the_output(tmp_path):
    (tmp_path / "notes.txt").write_bytes(b"one\n")
    scrivane.convert_file(os.fsencode(tmp_path / "notes.txt"), format="list", fragment=True)
    assert (tmp_path / "notes.txt.html").read_bytes() == b"<UL>\r\n<LI>one \r\n</UL>\r\n"
    with pytest.raises(TypeError, match="str or bytes"):
        scrivane.convert(42)


def test_threads_convert_at_once():
    # Below the size from which the engine itself converts on several threads.
    text = "".join(f"line {i}: see http://example.org/{i} & mail someone@example.org <now>\n" for i in range(12000))
    expected = masked(scrivane.convert(text, format="table"))
    calls = []  # (thread, start, end, document) of every conversion

    def timed(threads, rounds):
        def work(thread):
            for _ in range(rounds):
                start = time.perf_counter()
                document = scrivane.convert(text, format="table")
                calls.append((thread, start, time.perf_counter(), document))  # masked later: outside the timing

        started = time.perf_counter()
        pool = [threading.Thread(target=work, args=(n,)) for n in range(threads)]
        for thread in pool:
            thread.start()
        for thread in pool:
            thread.join()
        return time.perf_counter() - started

    timed(4, 1)  # warm: the first large allocations cost page faults, not conversion
    calls.clear()
    one = timed(1, 8)
    calls.clear()
    four = timed(4, 2)
    print(f"\n8 conversions of {len(text) / 1e6:.1f} MB: one thread {one:.3f} s, four threads {four:.3f} s "
          f"(speed-up {one / four:.2f}, {len(os.sched_getaffinity(0))} cores)")
    assert [masked(call[3]) for call in calls] == [expected] * 8
    # Conversions on different threads overlapped: the GIL was released. (How much
    # faster they are depends on the machine's other load, so it is only printed.)
    assert any(a[0] != b[0] and a[1] < b[2] and b[1] < a[2] for a in calls for b in calls)
