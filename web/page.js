// The converter page: builds the options form from the engine's option table,
// feeds the engine text (pasted, dropped or opened, read in chunks straight
// into its memory), and shows the document in a sandboxed frame and as source.
'use strict';

const kChunk = 4 * 1024 * 1024;   // bytes of a file copied into the engine at a time
const kSourceShown = 2 * 1024 * 1024;  // characters of a document the source view shows
const kStoreKey = 'scrivane.options';
const $ = (id) => document.getElementById(id);

let engine = null;    // the WebAssembly module
let table = null;     // the option table: formats and options
let file = null;      // the file opened or dropped, while it is the input
let running = false;  // a conversion in progress
let again = false;    // another asked for meanwhile
let downloadUrl = null;
let documentText = '';
let conversions = 0;  // conversions finished, for whoever waits for one

// ---- The options form ------------------------------------------------------

function storedOptions() {
  try {
    return JSON.parse(localStorage.getItem(kStoreKey)) || {};
  } catch (error) {
    return {};
  }
}

function storeOptions() {
  try {
    localStorage.setItem(kStoreKey, JSON.stringify(currentOptions()));
  } catch (error) {
    // Storage refused (private windows, full): the options last for this visit.
  }
}

// The default as the page offers it: the browser's language where the
// programs take the user's locale.
function defaultOf(option) {
  return option.localeDefault ? (navigator.language || option.default) : option.default;
}

function element(tag, properties, children = []) {
  const made = Object.assign(document.createElement(tag), properties);
  for (const child of children) made.append(child);
  return made;
}

// One field of the form for an option of the table.
function fieldFor(option) {
  const id = 'option-' + option.flag;
  const help = element('span', { className: 'help', id: id + '-help', textContent: option.help });
  let control;
  if (option.kind === 'check') {
    control = element('input', { type: 'checkbox', id });
  } else if (option.flag === 'format') {
    control = element('select', { id }, table.formats.map((format) =>
      element('option', { value: format.flag, textContent: format.name })));
  } else if (option.choices.length > 0) {
    control = element('select', { id }, option.choices.map((choice) =>
      element('option', { value: choice, textContent: choice })));
  } else {
    control = element('input', { type: 'text', id, spellcheck: false, autocomplete: 'off' });
  }
  control.dataset.flag = option.flag;
  control.setAttribute('aria-describedby', help.id);
  const label = element('label', { htmlFor: id, textContent: option.flag });
  const field = element('div', { className: option.kind === 'check' ? 'field check' : 'field' },
    option.kind === 'check' ? [control, label, element('span'), help] : [label, control, help]);
  field.dataset.formats = option.formats.join(' ');
  field.dataset.page = option.page;
  return field;
}

function controlOf(option) { return $('option-' + option.flag); }

function setControl(option, value) {
  const control = controlOf(option);
  if (option.kind === 'check') {
    control.checked = value === 'true';
  } else if (control.tagName === 'SELECT') {
    const match = [...control.options].find((entry) => entry.value.toLowerCase() === String(value).toLowerCase());
    control.value = match ? match.value : control.options[0].value;
  } else {
    control.value = value;
  }
}

function currentOptions() {
  const values = {};
  for (const option of table.options) {
    const control = controlOf(option);
    values[option.flag] = option.kind === 'check' ? String(control.checked) : control.value;
  }
  return values;
}

// Only the options that change documents of the chosen format and kind of page are shown.
function showApplicable() {
  const values = currentOptions();
  const page = values.modern === 'true' ? 'modern' : 'classic';
  for (const field of $('fields').children) {
    const applies = field.dataset.formats.split(' ').includes(values.format) &&
                    (field.dataset.page === 'both' || field.dataset.page === page);
    field.hidden = !applies;
  }
}

function buildForm() {
  const stored = storedOptions();
  const fields = $('fields');
  // The format and the kind of page first: they decide which other options apply.
  const first = ['format', 'modern'];
  const ordered = [...table.options].sort((a, b) =>
    (first.includes(b.flag) ? 1 : 0) - (first.includes(a.flag) ? 1 : 0) || first.indexOf(a.flag) - first.indexOf(b.flag));
  for (const option of ordered) fields.append(fieldFor(option));
  for (const option of table.options) {
    setControl(option, Object.hasOwn(stored, option.flag) ? stored[option.flag] : defaultOf(option));
  }
  showApplicable();
}

function resetOptions() {
  for (const option of table.options) setControl(option, defaultOf(option));
  showApplicable();
  storeOptions();
  convertSoon();
}

// ---- Converting --------------------------------------------------------------

function setStatus(text) { $('status').textContent = text; }

// Copies the input into the engine's memory: the file chunk by chunk, or the text box.
async function loadInput() {
  if (file) {
    const at = engine._scrivane_web_input(file.size);
    if (at === 0 && file.size > 0) throw new Error('Not enough memory for this file.');
    for (let offset = 0; offset < file.size; offset += kChunk) {
      const bytes = new Uint8Array(await file.slice(offset, offset + kChunk).arrayBuffer());
      engine.HEAPU8.set(bytes, at + offset);
    }
    return;
  }
  const text = $('text').value;
  const size = engine.lengthBytesUTF8(text);
  const at = engine._scrivane_web_input(size);
  if (at === 0 && size > 0) throw new Error('Not enough memory for this text.');
  new TextEncoder().encodeInto(text, engine.HEAPU8.subarray(at, at + size));
}

function withString(text, use) {
  const size = engine.lengthBytesUTF8(text) + 1;
  const at = engine._malloc(size);
  engine.stringToUTF8(text, at, size);
  try {
    return use(at);
  } finally {
    engine._free(at);
  }
}

function applyOptions(values) {
  engine._scrivane_web_reset();
  for (const [flag, value] of Object.entries(values)) {
    const refused = withString(flag, (name) => withString(value, (text) => engine._scrivane_web_set(name, text)));
    if (refused) throw new Error(engine.UTF8ToString(engine._scrivane_web_message()));
  }
}

// The local time with its offset, as the programs date a modern page.
function isoNow() {
  const now = new Date();
  const pad = (n) => String(Math.abs(n)).padStart(2, '0');
  const offset = -now.getTimezoneOffset();
  return `${now.getFullYear()}-${pad(now.getMonth() + 1)}-${pad(now.getDate())}T${pad(now.getHours())}:` +
         `${pad(now.getMinutes())}:${pad(now.getSeconds())}${offset < 0 ? '-' : '+'}${pad(offset / 60 | 0)}:${pad(offset % 60)}`;
}

// A fresh nine-digit name for a selection box's form.
function newFormId() {
  return String(100000000 + crypto.getRandomValues(new Uint32Array(1))[0] % 900000000);
}

// Runs the engine on the loaded input; the document as text (for the preview and
// the source) and as a file to download, both read straight from the engine's
// memory before it is released.
function runEngine(formId) {
  const failed = withString(isoNow(), (date) => withString(formId, (id) => engine._scrivane_web_convert(date, id)));
  if (failed) throw new Error(engine.UTF8ToString(engine._scrivane_web_message()));
  const at = engine._scrivane_web_document();
  const bytes = engine.HEAPU8.subarray(at, at + engine._scrivane_web_document_size());
  try {
    return { text: decode(bytes), file: new Blob([bytes], { type: 'text/html' }), size: bytes.length };
  } finally {
    engine._scrivane_web_release();
  }
}

// The document as text: UTF-8, or Windows-1252 as the engine keeps such input.
function decode(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch (error) {
    return new TextDecoder('windows-1252').decode(bytes);
  }
}

async function convert() {
  const values = currentOptions();
  applyOptions(values);
  await loadInput();
  const formId = newFormId();
  const started = performance.now();
  const made = runEngine(formId);
  const seconds = (performance.now() - started) / 1000;
  documentText = made.text;
  await showDocument(made.file, values, formId);
  setStatus(`Converted ${file ? file.name : 'the text'}: ${made.size.toLocaleString('en')} bytes of HTML ` +
            `in ${seconds.toFixed(2)} s.`);
}

async function convertNow() {
  if (!engine) return;
  if (running) {
    again = true;
    return;
  }
  running = true;
  try {
    setStatus('Converting…');
    await convert();
  } catch (error) {
    setStatus(error.message);
  } finally {
    running = false;
    document.documentElement.dataset.conversions = ++conversions;
  }
  if (again) {
    again = false;
    convertNow();
  }
}

let timer = 0;
function convertSoon() {
  clearTimeout(timer);
  timer = setTimeout(() => {
    timer = 0;
    convertNow();
  }, 250);
}

// True when no conversion is running or waiting to run.
function settled() { return !running && !again && timer === 0; }

// ---- The result ----------------------------------------------------------------

// The preview frame runs no script, except a selection box's Go button when it is
// asked for: then the frame's own policy lets only the engine's button script run.
function previewSandbox(values) {
  return values.format === 'select' && values['go-button'] === 'true' ? 'allow-scripts allow-popups' : '';
}

async function showDocument(made, values, formId) {
  const preview = $('preview');
  const sandbox = previewSandbox(values);
  preview.setAttribute('sandbox', sandbox);
  preview.srcdoc = await withPolicy(documentText, values, formId);
  const shown = documentText.length > kSourceShown
    ? documentText.slice(0, kSourceShown) + '\n\n[The rest is in the downloaded file.]' : documentText;
  $('source').textContent = shown;
  if (downloadUrl) URL.revokeObjectURL(downloadUrl);
  downloadUrl = URL.createObjectURL(made);
  const download = $('download');
  download.href = downloadUrl;
  download.download = (file ? file.name.replace(/\.[^.]*$/, '') || file.name : 'converted') + '.html';
  download.textContent = 'Download ' + download.download;
  $('copy').disabled = false;
}

// ---- The Go button's script policy -------------------------------------------

// The scripts the engine writes for a Go button with these options, taken from a
// document of one link made with no title or footer: nothing the user's text or
// options add can be among them.
function engineScripts(values, formId) {
  applyOptions({ ...values, title: '', footer: '' });
  const probe = 'http://example.org\n';
  const size = engine.lengthBytesUTF8(probe);
  engine.stringToUTF8(probe, engine._scrivane_web_input(size), size + 1);
  const parsed = new DOMParser().parseFromString(runEngine(formId).text, 'text/html');
  applyOptions(values);
  return [...parsed.querySelectorAll('script')].map((script) => script.textContent)
    .concat([...parsed.querySelectorAll('[onclick]')].map((button) => button.getAttribute('onclick')));
}

async function sha256(text) {
  const digest = await crypto.subtle.digest('SHA-256', new TextEncoder().encode(text));
  return btoa(String.fromCharCode(...new Uint8Array(digest)));
}

// The document with a policy in its head: it loads nothing from anywhere (an
// image or style named by the text or options stays unfetched), and runs no
// script but the engine's Go button scripts when the button is asked for.
async function withPolicy(text, values, formId) {
  let scripts = "'none'";
  if (previewSandbox(values)) {
    const hashes = await Promise.all(engineScripts(values, formId).map(async (script) => `'sha256-${await sha256(script)}'`));
    scripts = `'unsafe-hashes' ${hashes.join(' ')}`;
  }
  const policy = `<meta http-equiv="Content-Security-Policy" content="default-src 'none'; ` +
                 `script-src ${scripts}; style-src 'unsafe-inline'; img-src data:">`;
  const head = /<head>/i.exec(text.slice(0, 4096));
  return head ? text.slice(0, head.index + 6) + policy + text.slice(head.index + 6) : policy + text;
}

// ---- Input and buttons ---------------------------------------------------------

function useFile(chosen) {
  file = chosen;
  $('file-name').textContent = chosen ? `File: ${chosen.name} (${chosen.size.toLocaleString('en')} bytes)` : '';
  if (chosen) $('text').value = '';
  convertNow();
}

async function copyDocument() {
  try {
    await navigator.clipboard.writeText(documentText);
    setStatus('The HTML is on the clipboard.');
  } catch (error) {
    setStatus('The browser refused the clipboard: select the HTML source and copy it.');
  }
}

function wire() {
  $('text').addEventListener('input', () => {
    if (file) useFile(null);
    convertSoon();
  });
  $('open').addEventListener('click', () => $('file').click());
  $('file').addEventListener('change', () => useFile($('file').files[0] || null));
  $('clear').addEventListener('click', () => {
    $('text').value = '';
    $('file').value = '';
    useFile(null);
  });
  $('fields').addEventListener('input', () => {
    showApplicable();
    storeOptions();
    convertSoon();
  });
  $('options').addEventListener('submit', (event) => event.preventDefault());
  $('defaults').addEventListener('click', resetOptions);
  $('copy').addEventListener('click', copyDocument);
  // A file dropped anywhere on the page becomes the input.
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    if (event.dataTransfer.files.length > 0) useFile(event.dataTransfer.files[0]);
  });
}

async function start() {
  try {
    engine = await ScrivaneEngine();
  } catch (error) {
    setStatus('The converter could not start in this browser: ' + error.message);
    return;
  }
  table = JSON.parse(engine.UTF8ToString(engine._scrivane_web_options()));
  buildForm();
  wire();
  setStatus('Ready: paste text, drop a file or open one.');
  document.documentElement.dataset.ready = '';
  if ($('text').value) convertNow();
}

start();
