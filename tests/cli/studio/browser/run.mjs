// Runs the page's tests where they can run: with puppeteer-core installed
// here (npm ci, as ./build.sh test does) and Debian's chromium present.
// Elsewhere it says why and exits 77, which ctest reports as skipped.
import { existsSync } from 'node:fs';
import { spawnSync } from 'node:child_process';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const browserPath = process.env.SORVANE_CHROMIUM || '/usr/bin/chromium';
if (!existsSync(join(here, 'node_modules', 'puppeteer-core'))) {
  console.log('Skipped: puppeteer-core is not installed; run npm ci --prefix ' + here);
  process.exit(77);
}
if (!existsSync(browserPath)) {
  console.log('Skipped: no browser at ' + browserPath + ' (apt-get install chromium)');
  process.exit(77);
}
const run = spawnSync(process.execPath, ['--test', '--test-reporter=tap', join(here, 'studioPage.test.mjs')],
  { stdio: 'inherit' });
process.exit(run.status ?? 1);
