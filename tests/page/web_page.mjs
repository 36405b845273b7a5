// The web page (build-web/web) in Debian's Chromium: it converts every case of
// the library's option table, in both kinds of page, for each input file to the
// same document as scrivane-convert (date line and form names masked); hostile
// text and option values run no script in its preview while the Go button's own
// script still runs; axe-core finds no violation in the page, light and dark, at
// phone width; and the page as built in the browser is written out for the Nu
// Html Checker.
//   node web_page.mjs PAGE_FOLDER SCRIVANE_CONVERT CASES OUT_FOLDER INPUT...
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import puppeteer from 'puppeteer-core';

const require = createRequire(import.meta.url);
const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const [pageFolder, convertProgram, casesFile, outFolder, ...inputs] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'scrivane-web-'));
const failures = [];
const fail = (text) => failures.push(text);

// As the library tests mask documents: the date line's text and the selection box's form names
// (and the modern box's id).
function masked(text) {
  text = text.replace(/^Date: [^\r\n]*?(?=<\/|\r|\n|$)/gm, 'Date: (masked)');
  return text.replace(/([".][FS]N|links-)\d+/g, '$1(id)');
}

// One case of the table: [[name, value or null]...].
const cases = fs.readFileSync(casesFile, 'utf8').split('\n')
  .filter((line) => line && !line.startsWith('#'))
  .map((line) => line.split('\t').map((part) => {
    const at = part.indexOf('=');
    return at < 0 ? [part, null] : [part.slice(0, at), part.slice(at + 1)];
  }));

function expectedDocument(input, settings) {
  const output = path.join(work, 'expected.html');
  const args = settings.map(([name, value]) => (value === null ? `--${name}` : `--${name}=${value}`));
  execFileSync(convertProgram, [...args, '--force', input, '-o', output],
    { env: { ...process.env, XDG_CONFIG_HOME: work, LANG: 'C', LC_ALL: 'C' } });
  return fs.readFileSync(output, 'latin1');
}

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: path.join(work, 'profile'),
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});

// Sets the form as the case says (everything else at its default) and waits for the document.
async function convertInPage(page, settings) {
  return page.evaluate(async (settings) => {
    $('defaults').click();
    for (const [name, value] of settings) {
      const option = table.options.find((row) => row.flag === name || row.offFlag === name);
      const control = $('option-' + option.flag);
      if (option.kind === 'check') control.checked = value === null ? option.flag === name : value === 'true';
      else control.value = value;
    }
    const before = Number(document.documentElement.dataset.conversions || 0);
    $('fields').dispatchEvent(new Event('input', { bubbles: true }));
    while (Number(document.documentElement.dataset.conversions || 0) === before || !settled()) {
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
    const bytes = new Uint8Array(await (await fetch($('download').href)).arrayBuffer());
    let binary = '';
    for (const byte of bytes) binary += String.fromCharCode(byte);
    return binary;
  }, settings);
}

async function openPage() {
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844 });
  // Nothing but the page's own files is loaded: any other request fails the test.
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    const url = request.url();
    if (/^(file|blob|data|javascript):/.test(url) || url === 'about:srcdoc') {
      request.continue();
    } else {
      fail(`the page asked for ${url}`);
      request.abort();
    }
  });
  page.on('pageerror', (error) => fail(`script error: ${error.message}`));
  await page.goto('file://' + path.resolve(pageFolder, 'index.html'), { waitUntil: 'load' });
  await page.waitForSelector('html[data-ready]');
  return page;
}

try {
  const page = await openPage();
  // Every input, every case, classic and modern: the page's Download equals the program's file.
  for (const input of inputs) {
    await (await page.$('#file')).uploadFile(input);
    for (const settings of cases) {
      for (const kind of ['classic', 'modern']) {
        const all = [...settings, [kind, null], ['lang', 'en']];
        const got = await convertInPage(page, all);
        const expected = expectedDocument(input, all);
        if (masked(got) !== masked(expected)) {
          const name = `${path.basename(input)}-${failures.length}`;
          fs.writeFileSync(path.join(work, name + '.page.html'), got, 'latin1');
          fs.writeFileSync(path.join(work, name + '.program.html'), expected, 'latin1');
          fail(`${path.basename(input)} ${all.map((s) => s.join('=')).join(' ')}: differs (${work}/${name}.*)`);
        }
      }
    }
  }

  // Only the options that change the chosen document are shown.
  const shown = [
    [[['format', 'select'], ['classic', null]], ['target', 'go-button', 'centre', 'charset'], ['separator', 'www', 'lang', 'contents']],
    [[['format', 'table'], ['modern', null]], ['separator', 'header-row', 'lang', 'www'], ['target', 'centre', 'charset']],
    [[['format', 'list'], ['classic', null]], ['list-type', 'title', 'www'], ['header-row', 'new-tab', 'go-button']],
    [[['format', 'structured'], ['classic', null]], ['title', 'www', 'charset', 'contents', 'line-breaks', 'inline-marks'],
     ['separator', 'list-type', 'go-button', 'centre']],
  ];
  for (const [settings, visible, hidden] of shown) {
    await convertInPage(page, settings);
    const seen = await page.evaluate((flags) => flags.map((flag) => $('option-' + flag).checkVisibility()),
                                     [...visible, ...hidden]);
    [...visible, ...hidden].forEach((flag, i) => {
      if (seen[i] !== i < visible.length) fail(`${settings.map((s) => s.join('=')).join(' ')}: ${flag} ${seen[i] ? 'shown' : 'hidden'}`);
    });
  }

  // Hostile text and option values, with and without the Go button: nothing runs
  // in the preview but the button's own script.
  await page.evaluate(() => {
    window.ran = [];
    window.addEventListener('message', (event) => window.ran.push(String(event.data)));
  });
  const attack = (what) => `<script>parent.postMessage('${what}','*')</script>` +
                           `<img src=x onerror="parent.postMessage('${what}','*')">`;
  await page.evaluate((text) => {
    $('clear').click();
    $('text').value = text;
  }, `http://example.org/first\n${attack('text')}\njavascript:parent.postMessage('link','*')\n"><svg onload=parent.postMessage('svg','*')>`);
  const hostile = [['title', attack('title')], ['footer', attack('footer')], ['font-face', '"><script>x</script>'],
                   ['target', "');parent.postMessage('target','*');//"], ['bg-image', 'http://example.org/tracker.png'],
                   ['font-color', 'red;background:url(http://example.org/x)']];
  for (const format of ['smart', 'select']) {
    for (const kind of ['classic', 'modern']) {
      const settings = [['format', format], [kind, null], ['go-button', null], ...hostile];
      await convertInPage(page, settings);
      const frame = page.frames().find((f) => f.parentFrame() === page.mainFrame());
      await new Promise((resolve) => setTimeout(resolve, 300));
      if (format === 'select') {
        // The Go button still works: its script ran (modern) or its handler opens the link (classic).
        const works = await frame.evaluate(() => {
          let opened = false;
          window.open = () => { opened = true; };
          const button = document.querySelector('button.go, input[value="Go"]');
          if (!button) return 'no Go button';
          button.click();
          return opened ? 'opened' : 'did not open';
        });
        if (works !== 'opened') fail(`${format} ${kind}: the Go button ${works}`);
      }
    }
  }
  const ran = await page.evaluate(() => window.ran);
  if (ran.length > 0) fail(`script from text or options ran in the preview: ${[...new Set(ran)].join(', ')}`);

  // The page as the browser built it (before axe-core joins it), for the Nu Html Checker.
  fs.mkdirSync(outFolder, { recursive: true });
  const built = await page.evaluate(() => '<!DOCTYPE html>\n' + document.documentElement.outerHTML);
  fs.writeFileSync(path.join(outFolder, 'built.html'), built);
  fs.copyFileSync(path.join(pageFolder, 'index.html'), path.join(outFolder, 'index.html'));
  // The page itself, ready with a document: axe-core in light and dark at 390 px, nothing sideways.
  for (const scheme of ['light', 'dark']) {
    await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    await page.addScriptTag({ content: axeSource });
    const found = await page.evaluate(async () => {
      const results = await window.axe.run(document, { resultTypes: ['violations'] });
      return {
        violations: results.violations.map((v) => `${v.id}: ${v.nodes.slice(0, 2).map((n) => n.target.join(' ')).join(', ')}`),
        width: document.documentElement.scrollWidth,
      };
    });
    for (const violation of found.violations) fail(`page (${scheme}): ${violation}`);
    if (found.width > 390) fail(`page (${scheme}): ${found.width}px wide at 390px`);
  }
  // Every control is reached by Tab alone.
  const reached = new Set();
  for (let i = 0; i < 80; ++i) {
    await page.keyboard.press('Tab');
    reached.add(await page.evaluate(() => document.activeElement.id));
  }
  for (const id of ['text', 'open', 'option-format', 'option-modern', 'download', 'copy']) {
    if (!reached.has(id)) fail(`Tab never reaches #${id}`);
  }
} finally {
  await browser.close();
}
for (const failure of failures) console.log(failure);
console.log(`${inputs.length} inputs x ${cases.length} cases x 2 kinds of page, hostile previews, axe: ` +
            `${failures.length} problems`);
if (failures.length === 0) fs.rmSync(work, { recursive: true, force: true });
process.exit(failures.length === 0 ? 0 : 1);
