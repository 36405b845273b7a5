// Opens every document of a folder in Debian's Chromium (puppeteer-core, never a
// downloaded browser) and checks it as a reader on a phone would meet it:
// axe-core finds no violation in the light or the dark colour scheme, nothing
// scrolls sideways on a 390 px wide screen (pages; fragments bring no style; a wide
// table scrolls in its own box), table cells break no word and a spanning cell is not
// squeezed to a word a line, and a page that follows the colour scheme is dark in the dark one.
//   node check_pages.mjs FOLDER (sub-folders included)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import puppeteer from 'puppeteer-core';

const require = createRequire(import.meta.url);
const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const folder = process.argv[2];
// Every document of the folder and its sub-folders (a site's index pages among them).
const walk = (dir) => fs.readdirSync(dir, { withFileTypes: true }).flatMap((entry) =>
  entry.isDirectory() ? walk(path.join(dir, entry.name)).map((name) => path.join(entry.name, name))
                      : entry.name.endsWith('.html') ? [entry.name] : []);
const files = walk(folder).sort();
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'scrivane-axe-'));

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
const failures = [];
let darkPages = 0;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844 });
  // Nothing leaves the machine: only the documents themselves are loaded.
  await page.setRequestInterception(true);
  page.on('request', (request) => (request.url().startsWith('file:') ? request.continue() : request.abort()));
  for (const file of files) {
    for (const scheme of ['light', 'dark']) {
      await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
      await page.goto('file://' + path.resolve(folder, file), { waitUntil: 'load' });
      await page.addScriptTag({ content: axeSource });
      const found = await page.evaluate(async (scheme) => {
        // Only colours change with the scheme: the dark run asks the colour rules alone.
        const only = scheme === 'dark' ? { runOnly: ['color-contrast', 'link-in-text-block'] } : {};
        const results = await window.axe.run(document, { resultTypes: ['violations'], ...only });
        const root = document.documentElement;
        const luminance = (colour) => {
          const [r, g, b] = colour.match(/[\d.]+/g).slice(0, 3).map(Number);
          return (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255;
        };
        const followsScheme = getComputedStyle(root).colorScheme.includes('dark');
        // The lines each word of a table cell's text stands on. A word here is a run of
        // letters and digits: an address may still wrap after its "/" or "?".
        const wordLines = (cell) => {
          const words = [];
          const walker = document.createTreeWalker(cell, NodeFilter.SHOW_TEXT);
          for (let node; (node = walker.nextNode());) {
            for (const match of node.data.matchAll(/[\p{L}\p{N}]+/gu)) {
              const range = document.createRange();
              range.setStart(node, match.index);
              range.setEnd(node, match.index + match[0].length);
              words.push(new Set([...range.getClientRects()].map((rect) => Math.round(rect.top))));
            }
          }
          return words;
        };
        let brokenWords = 0, squeezedCells = 0;
        for (const cell of document.querySelectorAll('td, th')) {
          const words = wordLines(cell);
          brokenWords += words.filter((lines) => lines.size > 1).length;
          const lines = new Set(words.flatMap((each) => [...each]));
          if (cell.colSpan > 1 && words.length >= 3 && lines.size >= words.length) squeezedCells++;
        }
        return {
          violations: results.violations.map((v) =>
            `${v.id} (${v.nodes.length}): ${v.nodes.slice(0, 2).map((n) => n.target.join(' ')).join(', ')}`),
          sideways: root.scrollWidth > window.innerWidth ? `${root.scrollWidth}px wide` : null,
          followsScheme,
          darkBackground: luminance(getComputedStyle(document.body).backgroundColor) < 0.2,
          brokenWords,
          squeezedCells,
        };
      }, scheme);
      const where = `${file} (${scheme})`;
      for (const violation of found.violations) failures.push(`${where}: ${violation}`);
      // A fragment brings no style: how it wraps is the host page's business.
      if (!file.endsWith('.fragment.html')) {
        if (found.sideways) failures.push(`${where}: scrolls sideways, ${found.sideways} at 390px`);
        if (found.brokenWords) failures.push(`${where}: ${found.brokenWords} words broken inside table cells at 390px`);
        if (found.squeezedCells) failures.push(`${where}: ${found.squeezedCells} spanning cells squeezed to a word a line`);
      }
      if (scheme === 'dark' && found.followsScheme) {
        darkPages++;
        if (!found.darkBackground) failures.push(`${where}: follows the colour scheme but is not dark`);
      }
    }
  }
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
if (darkPages === 0) failures.push('no page followed the dark colour scheme');
for (const failure of failures) console.log(failure);
console.log(`${files.length} documents, light and dark: ${failures.length} problems`);
process.exit(failures.length === 0 ? 0 : 1);
