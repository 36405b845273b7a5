// The Python module `scrivane`, over the C API: str in, str out; bytes in, bytes
// out in the text's own encoding; options as keyword arguments named like
// scrivane-convert's long options with "_" for "-". The GIL is released while
// the library converts, so threads convert in parallel.
#include <pybind11/pybind11.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "scrivane/scrivane.h"

namespace py = pybind11;

namespace {

using Options = std::unique_ptr<scrivane_options, decltype(&scrivane_options_free)>;
using Document = std::unique_ptr<char, decltype(&scrivane_free)>;

// Raises the Python exception for a failed call, with the library's message:
// ValueError for options, OSError (with errno where known) for files and streams.
[[noreturn]] void Raise(int code) {
  const std::string message = scrivane_last_error();
  switch (code) {
    case SCRIVANE_ERROR_ARGUMENT:
    case SCRIVANE_ERROR_OPTION:
    case SCRIVANE_ERROR_VALUE:
    case SCRIVANE_ERROR_LIST_TYPE:
    case SCRIVANE_ERROR_NO_INPUT_NAME: throw py::value_error(message);
    case SCRIVANE_ERROR_OUT_OF_MEMORY: throw std::bad_alloc();
    case SCRIVANE_ERROR_INTERNAL: throw std::runtime_error(message);
    default: break;
  }
  const int error = scrivane_last_errno();
  // OSError(errno, text) becomes the matching subclass, such as FileNotFoundError.
  const py::tuple arguments = error != 0 ? py::make_tuple(error, message) : py::make_tuple(message);
  PyErr_SetObject(PyExc_OSError, arguments.ptr());
  throw py::error_already_set();
}

// Text with no NUL in it, for the library's C strings.
std::string CString(std::string text, const std::string& what) {
  if (text.find('\0') != std::string::npos) throw py::value_error(what + " holds a NUL character");
  return text;
}

Options OptionsFrom(const py::kwargs& given) {
  Options options(scrivane_options_new(), scrivane_options_free);
  if (!options) throw std::bad_alloc();
  for (const auto& [key, value] : given) {
    const std::string keyword = py::cast<std::string>(key);
    std::string name = keyword;
    std::replace(name.begin(), name.end(), '_', '-');
    std::string text;
    if (py::isinstance<py::bool_>(value)) {
      text = value.cast<bool>() ? "true" : "false";
    } else if (py::isinstance<py::str>(value) || py::isinstance<py::int_>(value)) {
      text = CString(py::str(value).cast<std::string>(), keyword);
    } else {
      throw py::type_error(keyword + " takes a str, bool or int, not " +
                           py::cast<std::string>(py::type::of(value).attr("__name__")));
    }
    const int code = scrivane_options_set(options.get(), name.c_str(), text.c_str());
    if (code == SCRIVANE_ERROR_OPTION) throw py::value_error("unknown option '" + keyword + "'");
    if (code != SCRIVANE_OK) Raise(code);
  }
  return options;
}

// A path (str, bytes or os.PathLike) as the file system's bytes.
std::string PathBytes(const py::handle& path, const std::string& what) {
  return CString(py::module_::import("os").attr("fsencode")(path).cast<std::string>(), what);
}

py::object Convert(const py::object& text, const py::kwargs& given) {
  const Options options = OptionsFrom(given);
  const bool isText = py::isinstance<py::str>(text);
  const char* bytes = nullptr;
  Py_ssize_t size = 0;
  Py_buffer view{};
  if (isText) {
    bytes = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
    if (bytes == nullptr) throw py::error_already_set();
  } else if (PyObject_CheckBuffer(text.ptr())) {
    if (PyObject_GetBuffer(text.ptr(), &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    bytes = static_cast<const char*>(view.buf);
    size = view.len;
  } else {
    throw py::type_error("convert() takes str or bytes, not " +
                         py::cast<std::string>(py::type::of(text).attr("__name__")));
  }
  char* made = nullptr;
  std::size_t length = 0;
  int code = SCRIVANE_OK;
  {
    py::gil_scoped_release released;
    code = scrivane_convert(options.get(), bytes, static_cast<std::size_t>(size), &made, &length);
  }
  if (!isText) PyBuffer_Release(&view);
  if (code != SCRIVANE_OK) Raise(code);
  const Document document(made, scrivane_free);
  if (!isText) return py::bytes(document.get(), length);
  PyObject* decoded = PyUnicode_DecodeUTF8(document.get(), static_cast<Py_ssize_t>(length), "strict");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(decoded);
}

void ConvertFile(const py::object& input, const py::object& output, const py::kwargs& given) {
  const Options options = OptionsFrom(given);
  const std::string from = PathBytes(input, "input");
  const std::string to = output.is_none() ? std::string() : PathBytes(output, "output");
  int code = SCRIVANE_OK;
  {
    py::gil_scoped_release released;
    code = scrivane_convert_file(options.get(), from.c_str(), to.empty() ? nullptr : to.c_str());
  }
  if (code != SCRIVANE_OK) Raise(code);
}

}  // namespace

PYBIND11_MODULE(scrivane, module) {
  module.doc() =
      "Plain text to HTML with Scrivane's engine: the documents of scrivane-convert, in process.\n\n"
      "Options are scrivane-convert's long options as keyword arguments, '_' for '-':\n"
      "format='table', separator='tab', web_page=False (or fragment=True), title='Notes'.\n"
      "On/off options take True or False (or 'true'/'false'); others take a str (or an int).\n"
      "An unknown option or a value it does not take raises ValueError; a value of another\n"
      "type raises TypeError; a file that cannot be read or written raises OSError with the\n"
      "system's errno where known (FileNotFoundError, PermissionError, ...).";
  module.attr("__version__") = scrivane_version();
  module.def("convert", &Convert, py::arg("text"),
             "convert(text, **options) -> document\n\n"
             "A str gives a str. Bytes give bytes: read as UTF-8, or as Windows-1252 when they are\n"
             "not valid UTF-8, and the document is written in that same encoding.");
  module.def("convert_file", &ConvertFile, py::arg("input"), py::arg("output") = py::none(),
             "convert_file(input, output=None, **options) -> None\n\n"
             "Converts the file `input` into `output` (default: input + '.html'). An existing output\n"
             "file is replaced only once the new document is complete.");
}
