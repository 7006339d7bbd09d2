// The studio's page in a real browser: Debian's chromium, headless, driven
// by puppeteer-core against a studio the test starts on a free loopback port.
// Run by ctest (see ../CMakeLists.txt): SORVANE_COMMAND names the command,
// SORVANE_SCREENSHOT where the README's picture goes.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';

const command = process.env.SORVANE_COMMAND;
const screenshot = process.env.SORVANE_SCREENSHOT;
const browserPath = process.env.SORVANE_CHROMIUM || '/usr/bin/chromium';

let studio;
let browser;
let page;
let profile;
const consoleErrors = [];

function startStudio() {
  return new Promise((resolve, reject) => {
    const child = spawn(command, ['studio', '--port', '0'], { stdio: ['ignore', 'pipe', 'pipe'] });
    let out = '';
    const timer = setTimeout(() => reject(new Error('the studio printed no address: ' + out)), 30000);
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const found = out.match(/serving (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (found) { clearTimeout(timer); resolve({ child, url: found[1] }); }
    });
    child.stderr.on('data', (chunk) => process.stderr.write(chunk));
    child.on('exit', (code) => reject(new Error('the studio exited with ' + code + ': ' + out)));
  });
}

// A digest of a swatch's pixels, so a change shows without carrying them all over.
function swatch(host) {
  return page.evaluate((h) => {
    const canvas = document.querySelector('#swatch-' + h);
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let sum = 0;
    let hash = 0;
    let lit = 0;
    for (let i = 0; i < data.length; i += 4) {
      sum += data[i] + data[i + 1] + data[i + 2];
      hash = (hash * 31 + data[i] + 7 * data[i + 1] + 13 * data[i + 2]) >>> 0;
      if (data[i] + data[i + 1] + data[i + 2] > 24) lit += 1;
    }
    return { sum, hash, lit };
  }, host);
}

// Both hosts have shown the full frame of what the controls hold now.
async function settled() {
  await page.evaluate(() => new Promise((r) => setTimeout(r, 50)));
  await page.waitForFunction(() => window.studio && window.studio.inFlight.size === 0, { timeout: 60000 });
}

async function setScalar(name, value) {
  await page.evaluate((n, v) => {
    const box = document.querySelector('#value-' + n);
    box.value = String(v);
    box.dispatchEvent(new Event('change'));
  }, name, value);
  await settled();
}

before(async () => {
  assert.ok(command, 'SORVANE_COMMAND must name the sorvane command');
  studio = await startStudio();
  profile = mkdtempSync(join(tmpdir(), 'sorvane-chromium-'));
  browser = await puppeteer.launch({
    executablePath: browserPath,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--user-data-dir=' + profile],
  });
  page = await browser.newPage();
  await page.setViewport({ width: 1240, height: 860 });
  page.on('console', (message) => { if (message.type() === 'error') consoleErrors.push(message.text()); });
  page.on('pageerror', (error) => consoleErrors.push(String(error)));
  await page.goto(studio.url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.studio && window.studio.renders >= 2, { timeout: 60000 });
  await settled();
});

after(async () => {
  if (browser) await browser.close();
  if (studio) {
    const exited = new Promise((resolve) => studio.child.once('exit', resolve));
    studio.child.removeAllListeners('exit');
    studio.child.kill('SIGINT');
    await exited;
  }
  if (profile) rmSync(profile, { recursive: true, force: true });
});

test('the page loads without console errors, both swatches rendered', async () => {
  assert.deepEqual(consoleErrors, []);
  for (const host of ['maya', 'mentalray']) {
    assert.ok((await swatch(host)).lit > 1000, host + ' shows a lit ball');
  }
  const sections = await page.$$eval('#controls summary', (s) => s.map((e) => e.textContent));
  assert.deepEqual(sections.slice(0, 3), ['Common Material Attributes', 'Scattering', 'Opposition']);
  assert.ok(sections.includes('mental ray'));
});

test('moving the diffuse slider changes both swatches', async () => {
  const before = { maya: await swatch('maya'), mentalray: await swatch('mentalray') };
  await page.evaluate(() => {
    const slider = document.querySelector('#slider-diffuse');
    slider.value = '0.1';
    slider.dispatchEvent(new Event('input'));
  });
  await settled();
  assert.equal(await page.$eval('#value-diffuse', (e) => e.value), '0.1');
  for (const host of ['maya', 'mentalray']) {
    const now = await swatch(host);
    assert.notEqual(now.hash, before[host].hash, host + ' swatch changed');
    assert.ok(now.sum < before[host].sum, host + ' swatch darkened');
  }
});

test('a value typed beyond the slider is kept', async () => {
  await setScalar('diffuse', 1.7);
  assert.equal(await page.$eval('#value-diffuse', (e) => e.value), '1.7');
});

test('a preset changes every control', async () => {
  await page.select('#preset', 'jade');
  await settled();
  const mismatches = await page.evaluate(() => {
    const jade = window.studio.schema.presets.find((p) => p.name === 'jade');
    const expected = { ...jade.attributes, ...jade.maya, ...jade.mentalray };
    const out = [];
    for (const [name, control] of window.studio.controls) {
      const want = name in expected ? expected[name] : control.entry.default;
      const got = control.get();
      const a = [].concat(want).slice(0, 3);
      const b = [].concat(got).slice(0, 3);
      // A colour picker holds 8 bits a channel.
      if (a.some((v, i) => Math.abs(Number(v) - Number(b[i])) > 0.003)) out.push(name + ': ' + b + ' not ' + a);
    }
    return { out, changed: Object.keys(expected).length };
  });
  assert.deepEqual(mismatches.out, []);
  assert.ok(mismatches.changed >= 15);
});

test('an exported .mel has the values shown', async () => {
  await setScalar('diffuse', 0.37);
  await setScalar('backlight', 0.55);
  await page.click('[data-save=mel]');
  await page.waitForFunction(() => window.studio.lastExport !== null, { timeout: 10000 });
  const { mel, shown } = await page.evaluate(() => ({
    mel: window.studio.lastExport.mel,
    shown: Object.fromEntries([...window.studio.controls].map(([n, c]) => [n, c.get()])),
  }));
  assert.match(mel, /blendAttr "diffuse" 0\.37;/);
  assert.match(mel, /blendAttr "backlight" 0\.55;/);
  for (const [i, channel] of ['colorR', 'colorG', 'colorB'].entries()) {
    const written = Number(mel.match(new RegExp('blendAttr "' + channel + '" ([-0-9.e]+);'))[1]);
    assert.ok(Math.abs(written - shown.color[i]) < 1e-6, channel);
  }
});

test('a loaded .ma sets the controls', async () => {
  const ma = 'createNode sorvane -n "loaded";\n\tsetAttr ".dfl" 0.21;\n\tsetAttr ".sctr" 0.66;\n';
  const file = join(profile, 'loaded.ma');
  writeFileSync(file, ma);
  const input = await page.$('#load');
  await input.uploadFile(file);
  await page.waitForFunction(() => document.querySelector('#value-diffuse').value === '0.21', { timeout: 10000 });
  assert.equal(await page.$eval('#value-scattering', (e) => e.value), '0.66');
  // What the file leaves out is the node's default, not what was shown before.
  assert.equal(await page.$eval('#value-backlight', (e) => e.value), '0.3');
  await settled();
});

test('the pass view shows one effect', async () => {
  const beauty = await swatch('mentalray');
  await page.select('#pass', 'specular');
  await settled();
  const specular = await swatch('mentalray');
  assert.ok(specular.sum < beauty.sum, 'the specular pass is darker than the beauty');
  await page.select('#pass', 'beauty');
  await settled();
});

test('the mesh menu puts the torus knot in both swatches', async () => {
  const meshes = await page.$$eval('#mesh option', (o) => o.map((e) => e.value));
  assert.deepEqual(meshes, ['sphere', 'torusknot']);
  const ball = { maya: await swatch('maya'), mentalray: await swatch('mentalray') };
  await page.select('#mesh', 'torusknot');
  await settled();
  for (const host of ['maya', 'mentalray']) {
    const knot = await swatch(host);
    assert.notEqual(knot.hash, ball[host].hash, host + ' swatch changed');
    assert.ok(knot.lit > 1000, host + ' shows a lit knot');
  }
  await page.select('#mesh', 'sphere');
  await settled();
  assert.equal((await swatch('maya')).hash, ball.maya.hash, 'the ball again');
});

test('A/B shows a difference', async () => {
  await page.click('#snapshot');
  await page.click('input[name=view][value=difference]');
  const same = await swatch('maya');
  assert.equal(same.lit, 0, 'no difference before anything changes');
  await setScalar('diffuse', 0.05);
  for (const host of ['maya', 'mentalray']) {
    assert.ok((await swatch(host)).lit > 500, host + ' shows the change');
  }
  await page.click('input[name=view][value=live]');
});

test('the README screenshot', async (t) => {
  if (!screenshot) { t.skip('SORVANE_SCREENSHOT not set'); return; }
  await page.select('#preset', 'skin');
  await settled();
  await page.screenshot({ path: screenshot });
});
