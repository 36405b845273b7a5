// Screenshots of a modern page in Debian's Chromium, light and dark, at phone and
// desktop width: node screenshots.mjs PAGE FOLDER [NAME] [DESKTOP-HEIGHT] (writes
// NAME-*.png there, modern-*.png by default; the desktop view is 800 px high unless
// given).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [page, folder, name = 'modern', desktopHeight = '800'] = process.argv.slice(2);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'scrivane-shots-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--hide-scrollbars'],
});
try {
  const tab = await browser.newPage();
  for (const [device, width, height] of [['phone', 390, 844], ['desktop', 1280, Number(desktopHeight)]]) {
    for (const scheme of ['light', 'dark']) {
      await tab.setViewport({ width, height });
      await tab.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
      await tab.goto('file://' + path.resolve(page), { waitUntil: 'load' });
      await tab.screenshot({ path: path.join(folder, `${name}-${device}-${scheme}.png`) });
    }
  }
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
