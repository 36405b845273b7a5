// Converts one file in every format in the web page (build-web/web) in Debian's
// Chromium and prints MB/s, as convert_bench prints the native engine's:
//   node web_speed.mjs PAGE_FOLDER FILE [REPEATS] [--modern]
// The engine's run is timed (the median of REPEATS, after two runs that let the
// browser compile its fastest code), then the page's whole run: the engine, the
// document decoded to text and made a file to download; reading the file is not.
// Needs the npm packages of tests/page (scripts/install-deps.sh --test).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const here = path.dirname(new URL(import.meta.url).pathname);
const require = createRequire(path.join(here, '../tests/page/package.json'));
const puppeteer = require('puppeteer-core');
const args = process.argv.slice(2).filter((arg) => arg !== '--modern');
const modern = process.argv.includes('--modern');
const [pageFolder, input, repeats = '3'] = args;
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'scrivane-speed-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true, userDataDir: profile,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage();
  await page.goto('file://' + path.resolve(pageFolder, 'index.html'));
  await page.waitForSelector('html[data-ready]');
  await (await page.$('#file')).uploadFile(input);
  console.log(`${'format'.padEnd(28)} ${'MB/s'.padStart(10)} ${'page run'.padStart(12)}`);
  for (const format of await page.evaluate(() => table.formats)) {
    const [engineSeconds, totalSeconds] = await page.evaluate(async (format, modern, repeats) => {
      while (!settled()) await new Promise((resolve) => setTimeout(resolve, 20));
      const values = { ...currentOptions(), format: format.flag, modern: String(modern), 'go-button': 'true' };
      const median = (times) => times.sort((a, b) => a - b)[times.length >> 1];
      const engineTimes = [];
      const totalTimes = [];
      for (let i = -2; i < repeats; ++i) {
        applyOptions(values);
        await loadInput();
        const start = performance.now();
        withString('2000-01-01T00:00:00+00:00', (date) => withString('1', (id) => engine._scrivane_web_convert(date, id)));
        const converted = performance.now();
        engine._scrivane_web_release();
        await loadInput();
        const again = performance.now();
        runEngine('1');
        if (i < 0) continue;
        engineTimes.push((converted - start) / 1000);
        totalTimes.push((performance.now() - again) / 1000);
      }
      return [median(engineTimes), median(totalTimes)];
    }, format, modern, Number(repeats));
    const megabytes = fs.statSync(input).size / 1e6;
    console.log(`${format.name.padEnd(28)} ${(megabytes / engineSeconds).toFixed(0).padStart(10)} ` +
                `${(megabytes / totalSeconds).toFixed(0).padStart(12)}`);
  }
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
