// velmora: the browser build end to end: the web zip's page in Debian's chromium, judged against the
// native viewer on Xvfb. CTest runs it (tests/web/CMakeLists.txt) as
//   node web_e2e_test.mjs ZIP NATIVE_VIEWER SOURCE_DIR NODE_DIR CHROMIUM
// where NODE_DIR holds the node_modules that npm ci installed from this folder's lock.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import zlib from 'node:zlib';
import { serveFolder } from '../../scripts/serve.mjs';
import { decodePng, decodePpm, match, outside, same } from './images.mjs';

const [zip, viewer, source, nodeDir, chromiumPath] = process.argv.slice(2).map((a) => path.resolve(a));
const { chromium } = createRequire(path.join(nodeDir, 'package.json'))('playwright-core');

const W = 1200, H = 900, CX = W / 2, CY = H / 2;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Polls `done` every 100 ms until it gives something truthy, and gives that.
async function until(what, done, ms = 30000) {
  for (const end = Date.now() + ms; ; await sleep(100)) {
    const value = await done();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
  }
}

// Mode 13's dodecahedron spins with time: its outline (circumradius 0.4 x 0.84 per ring, seen from
// 1.5 under a vertical field of 100 degrees over 900 px), with a margin, is left out of comparisons.
function solid(rings) {
  const r = 0.4 * 0.84 ** rings;
  return ((H / 2) * Math.tan(Math.asin(r / 1.5))) / Math.tan((50 * Math.PI) / 180) + 12;
}

// The pictures match when, among the pixels drawn in either, at least 99 % are within 8 levels
// and at most 1 % are more than 16 off.
function assertLike(picture, reference, counted, what) {
  const m = match(picture, reference, counted);
  const said = `${what}: ${m.drawn} px drawn, ${(100 * m.close).toFixed(2)} % within 8, ${(100 * m.far).toFixed(2)} % beyond 16`;
  console.log(said);
  keep(picture, `${what}-web`);
  keep(reference, `${what}-native`);
  assert.ok(m.drawn > 5000 && m.close >= 0.99 && m.far <= 0.01, said);
}

// With VELMORA_WEB_SHOTS naming a folder, keeps the compared pictures there to look at.
function keep(picture, name) {
  const folder = process.env.VELMORA_WEB_SHOTS;
  if (folder)
    fs.writeFileSync(path.join(folder, `${name.replace(/\W+/g, '-')}.ppm`),
      Buffer.concat([Buffer.from(`P6\n${picture.width} ${picture.height}\n255\n`), picture.rgb]));
}

// Polls shots until two in a row agree wherever `counted` and show something; gives the last.
async function settled(shoot, counted) {
  let previous = await shoot();
  return until('a settled picture', async () => {
    const shot = await shoot();
    const done = same(shot, previous, counted) && shot.rgb.some((v) => v) && shot;
    previous = shot;
    return done;
  });
}

// Everything started here, ended on every way out (a test's failure, a timeout's SIGTERM).
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-web-'));
const children = new Set();
function cleanUp() {
  for (const child of children) child.kill('SIGKILL');
  fs.rmSync(scratch, { recursive: true, force: true });
}
process.on('exit', cleanUp);
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(1));

let display, folder, server, origin, browser;
const strays = [], requested = new Set();

// The zip's folder over HTTP on 127.0.0.1. Anything asked for outside it is a stray. `swapped` maps a
// path to other bytes to serve in its place.
const swapped = new Map();
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.txt': 'text/plain' };
function serve(req, res) {
  const name = decodeURIComponent(new URL(req.url, origin).pathname), file = path.join(folder, name);
  requested.add(name);
  if (!file.startsWith(folder + path.sep) || !fs.statSync(file, { throwIfNoEntry: false })?.isFile()) {
    // The browser asks for a site's icon of its own accord; the page does not.
    if (name !== '/favicon.ico') strays.push(req.url);
    return res.writeHead(404).end();
  }
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
    'Cache-Control': 'no-store' });
  res.end(swapped.get(name) ?? fs.readFileSync(file));
}

before(async () => {
  execFileSync('unzip', ['-q', zip, '-d', path.join(scratch, 'zip')]);
  const [top, ...more] = fs.readdirSync(path.join(scratch, 'zip'));
  assert.deepEqual(more, [], 'the zip holds one folder');
  folder = path.join(scratch, 'zip', top);
  server = http.createServer(serve);
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;

  const xvfb = spawn('Xvfb', ['-displayfd', '1', '-noreset', '-screen', '0', '1400x1100x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  children.add(xvfb);
  display = `:${String(await new Promise((resolve, reject) => {
    xvfb.stdout.once('data', resolve);
    xvfb.once('exit', () => reject(new Error('Xvfb did not start')));
  })).trim()}`;

  browser = await chromium.launch({ executablePath: chromiumPath, headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'] });
  const probe = await browser.newPage();
  assert.ok(await probe.evaluate(() => !!document.createElement('canvas').getContext('webgl2')), 'WebGL 2 works');
  await probe.close();
});

after(async () => {
  await browser?.close();
  server?.close();
  cleanUp();
  console.log(`served: ${[...requested].sort().join(' ')}`);
  assert.deepEqual(strays, [], 'the page asked only for files of its own folder');
});

// How many key lines (plain and special keys) there are among `lines`.
const keyLines = (lines) => lines.filter((l) => /^(keyboard|special)Func\(/.test(l)).length;

// A pose is a list of steps: a key's name (xdotool's and Playwright's agree on those used here), or
// a number of pixels to move the pointer to the right. Each key is awaited until it is logged, so
// every earlier step has been handled too.

// The native viewer on the Xvfb, started in `cwd` (where its data/rescales/ lies).
class Native {
  constructor(mode, cwd = source) {
    this.env = { ...process.env, DISPLAY: display };
    this.stderr = '';
    this.process = spawn(viewer, [], { cwd, env: { ...this.env, NOFS: '1', MODE: String(mode) },
      stdio: ['ignore', 'ignore', 'pipe'] });
    children.add(this.process);
    this.process.stderr.on('data', (d) => (this.stderr += d));
    // 'close' comes after the last of standard error.
    this.status = new Promise((resolve) => this.process.once('close', (code) => resolve(code)));
  }
  lines() {
    return this.stderr.split('\n').slice(0, -1);
  }
  // The window's pixels, or null while there is no window.
  shot() {
    try {
      return decodePpm(execFileSync('sh', ['-c', 'xwd -silent -name velmora | xwdtopnm 2>/dev/null'],
        { env: this.env, stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 24 }));
    } catch {
      return null;
    }
  }
  async pose(steps) {
    await until('the native window', () => this.shot()?.rgb.some((v) => v));
    for (const step of steps) {
      if (typeof step === 'number') {
        execFileSync('xdotool', ['mousemove_relative', '--', String(step), '0'], { env: this.env });
        continue;
      }
      const before = keyLines(this.lines());
      execFileSync('xdotool', ['key', step], { env: this.env });
      await until(`the native viewer to log ${step}`, () => keyLines(this.lines()) > before);
    }
  }
  async picture(steps, counted) {
    await this.pose(steps);
    const shot = await settled(async () => this.shot(), counted);
    assert.equal(await this.quit(), 0);
    return shot;
  }
  async quit() {
    execFileSync('xdotool', ['key', 'Escape'], { env: this.env });
    return this.status;
  }
}

// The page in a fresh browser context (nothing cached), with the program's standard-error lines
// as they reach the console, and every uncaught error or console error.
class Web {
  async open(mode) {
    this.context = await browser.newContext({ viewport: { width: 1280, height: 1000 } });
    await this.context.route('**/*', (route) =>
      route.request().url().startsWith(`${origin}/`) ? route.continue() : (strays.push(route.request().url()), route.abort()));
    this.page = await this.context.newPage();
    this.lines = [];
    this.errors = [];
    this.page.on('pageerror', (e) => this.errors.push(`uncaught: ${e.message}`));
    this.page.on('console', (m) => {
      if (m.type() === 'error') this.errors.push(`console error: ${m.text()}`);
      // The native viewer writes nothing on standard output, which the page logs.
      else if (m.type() === 'log') this.errors.push(`standard output: ${m.text()}`);
      // Chromium's own notes on its GL driver come as warnings too.
      else if (m.type() === 'warning' && !m.text().startsWith('[.WebGL-')) this.lines.push(m.text());
    });
    await this.page.goto(`${origin}/index.html?NOFS=1&MODE=${mode}`);
    return this;
  }
  velmora() {
    return this.page.evaluate(() => window.velmora && { ...window.velmora });
  }
  async shot() {
    return decodePng(await this.page.locator('#canvas').screenshot());
  }
  // Whether the canvas shows the same pixels 300 ms apart.
  async still() {
    const first = await this.shot();
    await sleep(300);
    return same(first, await this.shot());
  }
  // Clicks the canvas, which locks the pointer at its centre.
  async lock() {
    await this.page.locator('#canvas').click();
    await until('the pointer lock', () => this.page.evaluate(() => document.pointerLockElement?.id === 'canvas'));
    this.x = CX;
  }
  async pose(steps) {
    await until('the first frame', async () => (await this.velmora())?.firstFrame != null);
    // Locked, key lines carry the canvas centre, as natively where the pointer is held there.
    if (steps.length) await this.lock();
    for (const step of steps) {
      if (typeof step === 'number') {
        // One event per move, as xdotool's: the camera turns by the square of each movement.
        await this.page.mouse.move((this.x += step), CY);
        continue;
      }
      const before = keyLines(this.lines);
      await this.page.keyboard.press(step);
      await until(`the page to log ${step}`, () => keyLines(this.lines) > before);
    }
  }
  async picture(steps, counted) {
    await this.pose(steps);
    return settled(() => this.shot(), counted);
  }
  // Leaves the pointer lock (the browser would take the first Escape for that), then Escape.
  async quit() {
    await this.page.evaluate(() => document.exitPointerLock());
    await this.page.keyboard.press('Escape');
    return this.ended();
  }
  // Waits for the program's end; gives window.velmora and what the page shows of it.
  async ended() {
    const state = await until('the program to end', async () => (await this.velmora())?.status != null && this.velmora());
    const text = (selector) => this.page.locator(selector).textContent();
    return { ...state, shown: await this.page.locator('#ended').isVisible(), fatal: await text('#fatal'),
      said: await text('#status'), again: await this.page.locator('#again').isVisible() };
  }
  async close() {
    await this.context.close();
    assert.deepEqual(this.errors, [], 'no uncaught error and no console error');
  }
}

// The same mode and pose natively and in the page, side by side; gives both pictures.
async function both(mode, steps, counted) {
  const native = new Native(mode), web = await new Web().open(mode);
  try {
    return await Promise.all([native.picture(steps, counted), web.picture(steps, counted)]);
  } finally {
    native.process.kill();
    await web.close();
  }
}

test('every mode draws the native picture at its start', async () => {
  for (const mode of [13, 8, 6]) {
    const counted = mode === 13 ? outside(solid(1)) : undefined;
    const [native, web] = await both(mode, [], counted);
    assertLike(web, native, counted, `mode ${mode}`);
  }
  for (const name of ['/index.html', '/velmora.js', '/velmora.wasm', '/velmora.data'])
    assert.ok(requested.has(name), `the page loads ${name}`);
});

test('keys and pointer pose the chain as natively', async () => {
  // Four rings, three of them turned by the pointer, seen from above (as scripts/run.sh poses it).
  const steps = ['m', 'f', 'f', 'f', 40, 'n', -25, 'n', 60, 'n', 'p', 'v', 'w', 'w', 'w', 'a'];
  const counted = outside(solid(4));
  const [native, web] = await both(13, steps, counted);
  assertLike(web, native, counted, 'posed chain');
});

test('a locked pointer turns the camera as natively', async () => {
  // 'v' switches to the camera mode it is already in: its line says all before it was handled (the
  // native viewer drops the pointer events of its start).
  for (const mode of [8, 6]) {
    const [native, web] = await both(mode, ['v', 70, 'v']);
    assertLike(web, native, undefined, `mode ${mode} turned`);
  }
});

test('keys log the native lines to the console; Escape stops the canvas and offers a new start', async () => {
  const steps = ['x', 'a', 'x', 'z', 'F3', 'm', 'f'];
  const native = new Native(13);
  await native.pose(steps);
  assert.equal(await native.quit(), 0);
  assert.ok(native.lines().includes('vfar = 1.578947'));
  const web = await new Web().open(13);
  try {
    await web.pose(steps);
    assert.ok(!(await web.still()), 'the solid spins while the program runs');
    assert.equal(await web.page.evaluate(() => getComputedStyle(document.getElementById('canvas')).cursor), 'none',
      'the pointer is hidden over the canvas');
    const end = await web.quit();
    assert.deepEqual(web.lines, native.lines());
    assert.deepEqual(end.lines, native.lines());
    assert.deepEqual([end.status, end.shown, end.fatal.trim(), end.again], [0, true, '', true]);
    assert.match(end.said, /\bstatus 0\b/);
    // The page may hide the canvas at the end; shown again, it must show no new frame.
    await web.page.evaluate(() => (document.getElementById('canvas').hidden = false));
    assert.ok(await web.still(), 'the canvas stops');

    await web.page.locator('#again').click();
    await until('a new start', () => web.velmora().then((v) => v?.status === null && v.firstFrame != null, () => false));
  } finally {
    await web.close();
  }
});

test('a broken picture shows the native fatal lines and status 1', async () => {
  // velmora.data, unpacked (gzip, then each byte plus the sixth before it after the first line),
  // holds the pictures byte for byte, and the page takes it so too: pgac.ppm (mode 8's) gets a wrong
  // height there, and in a copy of data/rescales/ for the native viewer.
  const pgac = fs.readFileSync(path.join(source, 'data/rescales/pgac.ppm'));
  const broken = Buffer.from(pgac);
  broken.write('P6\n512 511\n', 'latin1');
  const packed = zlib.gunzipSync(fs.readFileSync(path.join(folder, 'velmora.data')));
  const data = packed.subarray(packed.indexOf('\n') + 1);
  for (let at = 6; at < data.length; ++at) data[at] += data[at - 6];
  const at = data.indexOf(pgac);
  assert.ok(at >= 0, 'velmora.data holds data/rescales/pgac.ppm as it is');
  broken.copy(data, at);
  swapped.set('/velmora.data', data);
  const pictures = path.join(scratch, 'broken', 'data', 'rescales');
  fs.cpSync(path.join(source, 'data/rescales'), pictures, { recursive: true });
  fs.writeFileSync(path.join(pictures, 'pgac.ppm'), broken);

  const native = new Native(8, path.join(scratch, 'broken'));
  assert.equal(await native.status, 1);
  const fatal = native.lines().slice(-2);
  assert.match(fatal[0], /^velmora: fatal: /);
  const web = await new Web().open(8);
  try {
    const end = await web.ended();
    assert.deepEqual(web.lines, native.lines());
    assert.deepEqual([end.status, end.shown, end.fatal.trim(), end.again], [1, true, fatal.join('\n'), true]);
    assert.match(end.said, /\bstatus 1\b/);
  } finally {
    swapped.clear();
    await web.close();
  }
});

test('without WebGL 2 the page says so and starts nothing', async () => {
  const bare = await chromium.launch({ executablePath: chromiumPath, headless: true,
    args: ['--no-sandbox', '--disable-3d-apis', '--disable-background-networking', '--no-first-run'] });
  try {
    const page = await bare.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    const loaded = [];
    page.on('request', (r) => loaded.push(new URL(r.url()).pathname));
    await page.goto(`${origin}/index.html?NOFS=1`);
    await page.locator('#no-webgl').waitFor();
    assert.match(await page.locator('#no-webgl').textContent(), /needs WebGL 2/);
    assert.deepEqual([await page.locator('#canvas').isVisible(), loaded.includes('/velmora.js'), errors], [false, false, []]);
  } finally {
    await bare.close();
  }
});

// The page's load: a sentence on the page for each way it fails, progress while it loads, and the
// server's answer to a malformed path.

// A fresh page at `address`, with `routes` ({ path: status }) answered in place of the server; gives
// the page, its uncaught errors and the console errors that are not the browser's own note on a
// failed request.
async function loadPage(address, routes = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 1000 } });
  for (const [name, status] of Object.entries(routes))
    await context.route(`${origin}${name}`, (route) => route.fulfill({ status }));
  const page = await context.newPage(), errors = [];
  page.on('pageerror', (e) => errors.push(`uncaught: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && !m.text().startsWith('Failed to load resource') &&
    errors.push(`console error: ${m.text()}`));
  await page.goto(address);
  return { page, errors, context };
}

test('a load that fails says on the page what failed and what to do', async () => {
  for (const [address, routes, said] of [
    [`${pathToFileURL(path.join(folder, 'index.html'))}?NOFS=1`, {}, /served over HTTP.*python3 -m http\.server/],
    [`${origin}/index.html?NOFS=1`, { '/velmora.data': 404 }, /velmora\.data: the server answered 404 .*missing/],
  ]) {
    const { page, errors, context } = await loadPage(address, routes);
    try {
      await page.locator('#failure').waitFor();
      assert.match(await page.locator('#failure').textContent(), said);
      assert.match(await page.evaluate(() => window.velmora.failure), said);
      assert.deepEqual([await page.locator('#canvas').isVisible(), await page.locator('#loading').isVisible(), errors],
        [false, false, []], address);
    } finally {
      await context.close();
    }
  }
});

test('a slow load shows its progress before the first frame, and fetches at most 3.4 MB for it', async () => {
  const { page, errors, context } = await loadPage('about:blank');
  try {
    // Each new progress text, with the time it appeared.
    await page.addInitScript(() => {
      window.progressSeen = [];
      new MutationObserver(() => window.progressSeen.push([performance.now(), document.getElementById('progress-text').textContent]))
        .observe(document, { subtree: true, childList: true, characterData: true });
    });
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.emulateNetworkConditions',
      { offline: false, latency: 150, downloadThroughput: 4e5, uploadThroughput: 4e5 });
    await page.goto(`${origin}/index.html?NOFS=1&MODE=6`);
    await until('the first frame', () => page.evaluate(() => window.velmora.firstFrame), 60000);
    const { seen, firstFrame, fetched } = await page.evaluate(() => ({ seen: window.progressSeen,
      firstFrame: window.velmora.firstFrame, fetched: performance.getEntriesByType('resource')
        .concat(performance.getEntriesByType('navigation')).reduce((sum, entry) => sum + entry.encodedBodySize, 0) }));
    // The megabytes of the pictures the progress gave before the first frame, each change once.
    const pictures = seen.filter(([time]) => time < firstFrame).map(([, text]) => /the pictures ([\d.]+)/.exec(text)?.[1])
      .filter(Boolean).map(Number).filter((mb, i, all) => mb !== all[i - 1]);
    assert.ok(pictures.length >= 5 && pictures.every((mb, i) => i === 0 || mb > pictures[i - 1]), `progress: ${pictures}`);
    assert.ok(!(await page.locator('#loading').isVisible()), 'the progress goes with the first frame');
    assert.ok(fetched <= 3.4e6, `${fetched} bytes fetched before the first frame`);
    assert.deepEqual(errors, []);
  } finally {
    await context.close();
  }
});

test('the page\'s server answers 400 to a malformed path and goes on serving', async () => {
  const { server, address } = await serveFolder(folder);
  try {
    const at = new URL(address);
    assert.equal((await fetch(new URL('/%', at))).status, 400);
    assert.equal((await fetch(at)).status, 200);
  } finally {
    server.close();
  }
});

test('"Start again" starts again from an address with a fragment', async () => {
  const { page, errors, context } = await loadPage(`${origin}/index.html?NOFS=1&MODE=6#top`);
  try {
    await until('the first frame', () => page.evaluate(() => window.velmora.firstFrame));
    await page.keyboard.press('Escape');
    await until('the end', () => page.evaluate(() => window.velmora.status === 0));
    await page.locator('#again').click();
    await until('a new start', () => page.evaluate(() => window.velmora.status === null && window.velmora.firstFrame));
    assert.deepEqual(errors, []);
  } finally {
    await context.close();
  }
});
