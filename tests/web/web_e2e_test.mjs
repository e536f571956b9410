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
import { assertLike, keep, settled, sleep, until } from './desktop.mjs';
import { decodePng, decodePpm, outside, same } from './images.mjs';

const [zip, viewer, source, nodeDir, chromiumPath] = process.argv.slice(2).map((a) => path.resolve(a));
const { chromium } = createRequire(path.join(nodeDir, 'package.json'))('playwright-core');

const H = 900;
// Mode 13's dodecahedron spins with time: its outline (circumradius 0.4 x 0.84 per ring, seen from
// 1.5 under a vertical field of 100 degrees over 900 px), with a margin, is left out of comparisons.
function solid(rings) {
  const r = 0.4 * 0.84 ** rings;
  return ((H / 2) * Math.tan(Math.asin(r / 1.5))) / Math.tan((50 * Math.PI) / 180) + 12;
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
  // Where the X server has the pointer, as xdotool prints it.
  pointer() {
    return execFileSync('xdotool', ['getmouselocation'], { env: this.env, encoding: 'utf8' }).split(' ').slice(0, 2).join(' ');
  }
  async pose(steps) {
    await until('the native window', () => this.shot()?.rgb.some((v) => v));
    for (const step of steps) {
      if (typeof step === 'number') {
        // The viewer warps the pointer back to the centre after each movement; a key sent before
        // that would carry the moved place.
        const centre = this.pointer();
        execFileSync('xdotool', ['mousemove_relative', '--', String(step), '0'], { env: this.env });
        await until('the pointer back at the centre', () => this.pointer() === centre);
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
  // `prepare` is given the page before it loads.
  async open(mode, options = {}, query = `NOFS=1&MODE=${mode}`, prepare = async () => {}) {
    this.context = await browser.newContext({ viewport: { width: 1280, height: 1000 }, ...options });
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
    await prepare(this.page);
    await this.page.goto(`${origin}/index.html?${query}`);
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
    const box = await this.page.locator('#canvas').boundingBox();
    [this.x, this.y] = [box.x + box.width / 2, box.y + box.height / 2];
    await this.page.locator('#canvas').click();
    await until('the pointer lock', () => this.page.evaluate(() => document.pointerLockElement?.id === 'canvas'));
  }
  async pose(steps) {
    await until('the first frame', async () => (await this.velmora())?.firstFrame != null);
    // Locked, key lines carry the canvas centre, as natively where the pointer is held there.
    if (steps.length) await this.lock();
    for (const step of steps) {
      if (typeof step === 'number') {
        // One event per move, as xdotool's: the camera turns by the square of each movement.
        await this.page.mouse.move((this.x += step), this.y);
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
    assertLike(web, native, `mode ${mode}`, counted);
  }
  for (const name of ['/index.html', '/velmora.js', '/velmora.wasm', '/velmora.data'])
    assert.ok(requested.has(name), `the page loads ${name}`);
});

test('keys and pointer pose the chain as natively', async () => {
  // Four rings, three of them turned by the pointer, seen from above (as scripts/run.sh poses it).
  const steps = ['m', 'f', 'f', 'f', 40, 'n', -25, 'n', 60, 'n', 'p', 'v', 'w', 'w', 'w', 'a'];
  const counted = outside(solid(4));
  const [native, web] = await both(13, steps, counted);
  assertLike(web, native, 'posed chain', counted);
});

test('a locked pointer turns the camera as natively', async () => {
  // 'v' switches to the camera mode it is already in: its line says all before it was handled (the
  // native viewer drops the pointer events of its start).
  for (const mode of [8, 6]) {
    const [native, web] = await both(mode, ['v', 70, 'v']);
    assertLike(web, native, `mode ${mode} turned`);
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

// The GL layer's own pictures: the selected ring's highlight, mode 13's solid under a stopped clock,
// and a lost WebGL context.

test('the selected ring is drawn dark red and untextured, as natively', async () => {
  const counted = outside(solid(3));
  const [native, web] = await both(13, ['m', 'f', 'f', 40, 'n', -25], counted);
  assertLike(web, native, 'selected ring', counted);
});

// GLUT's elapsed time turns the solid: both clocks stand still at a start time, then jump 2 s (100
// degrees) once the program runs. The native viewer's clock is libfaketime's (Debian's faketime), read
// from a file; the page's Date.now is playwright's, which leaves its timers and frames running.
const start = Date.UTC(2026, 0, 1), later = start + 2000;
const fakeTime = (ms) => new Date(ms).toISOString().replace('T', ' ').slice(0, 19);

async function stoppedNative(mode) {
  const library = execFileSync('dpkg', ['-L', 'libfaketime'], { encoding: 'utf8' }).split('\n')
    .find((f) => f.endsWith('/libfaketime.so.1'));
  const clock = path.join(scratch, 'clock');
  fs.writeFileSync(clock, fakeTime(start));
  const faked = { LD_PRELOAD: library, FAKETIME_TIMESTAMP_FILE: clock, FAKETIME_NO_CACHE: '1' };
  Object.assign(process.env, faked);
  let native;
  try {
    native = new Native(mode);
  } finally {
    for (const name in faked) delete process.env[name];
  }
  native.env = { ...process.env, DISPLAY: display };  // xwd and xdotool keep the real clock
  await native.pose([]);
  fs.writeFileSync(clock, fakeTime(later));
  return native;
}

async function stoppedWeb(mode) {
  const web = await new Web().open(mode, {}, undefined, (page) => page.clock.setFixedTime(start));
  await web.pose([]);
  await web.page.clock.setFixedTime(later);
  return web;
}

test("mode 13's turned solid matches the native one under a stopped clock, unmasked", async () => {
  const native = await stoppedNative(13), web = await stoppedWeb(13);
  try {
    const [a, b] = await Promise.all([native.picture([]), settled(() => web.shot())]);
    assertLike(b, a, 'stopped solid');
  } finally {
    native.process.kill();
    await web.close();
  }
});

test('a lost WebGL context comes back with the same picture', async () => {
  const web = await stoppedWeb(13);
  try {
    const before = await settled(() => web.shot());
    const note = web.page.locator('#context-lost');
    await web.page.evaluate(() => (window.lost = document.getElementById('canvas').getContext('webgl2')
      .getExtension('WEBGL_lose_context')).loseContext());
    await note.waitFor();
    assert.match(await note.textContent(), /come back/);
    await web.page.evaluate(() => window.lost.restoreContext());
    await note.waitFor({ state: 'hidden' });
    const after = await settled(() => web.shot());
    keep(before, 'context-before');
    keep(after, 'context-after');
    assert.ok(same(before, after), 'the restored picture is the one before the loss');
    assert.equal((await web.velmora()).status, null, 'the program runs on');
  } finally {
    await web.close();
  }
});

// ---- The page's controls, touch and device scale ----

// The page on a touch screen with no mouse (Chromium's touch emulation): a key is its control,
// found by its accessible name (the key, then what it does) and tapped; a move is a one-finger drag
// on the picture, one touch movement.
class TouchWeb extends Web {
  async open(mode) {
    await super.open(mode, { hasTouch: true, isMobile: true });
    this.cdp = await this.context.newCDPSession(this.page);
    return this;
  }
  async pose(steps) {
    await until('the first frame', async () => (await this.velmora())?.firstFrame != null);
    const touch = (type, x) => this.cdp.send('Input.dispatchTouchEvent', { type, touchPoints: x == null ? [] : [{ x, y: 300 }] });
    for (const step of steps) {
      if (typeof step === 'number') {
        await touch('touchStart', 600);
        await touch('touchMove', 600 + step);
        await touch('touchEnd');
        continue;
      }
      const before = keyLines(this.lines);
      await this.page.getByRole('button', { name: new RegExp(`^${step} `) }).tap();
      await until(`the page to log ${step}`, () => keyLines(this.lines) > before);
    }
  }
}

test('on a touch screen, drags and the key controls pose the chain as natively; the end control ends it', async () => {
  // Every key control once; 'c' puts the camera back before the chain is edited and turned.
  const steps = ['x', 'z', 'z', 'a', 'd', 'e', 'q', 's', 'c', 'm', 'f', 'f', 'f', 'k', 40, 'n', -25, 'p', 'n', 'v', 30, 'w'];
  const counted = outside(solid(3));
  const native = new Native(13), web = await new TouchWeb().open(13);
  try {
    const [mine, theirs] = await Promise.all([web.picture(steps, counted), native.picture(steps, counted)]);
    assertLike(mine, theirs, 'chain posed by touch', counted);
    // A tap on the picture is no click: nothing asks for a pointer that a touch screen lacks.
    await web.page.touchscreen.tap(600, 300);
    assert.equal(await web.page.evaluate(() => document.pointerLockElement), null);
    await web.pose(['Esc']);
    assert.equal((await web.ended()).status, 0);
    assert.deepEqual(web.lines, native.lines());
  } finally {
    native.process.kill();
    await web.close();
  }
});

test('an Escape while the pointer is locked only releases it', async () => {
  // Headless chromium delivers that Escape to the page, as WebKit does: the page must drop it.
  const web = await new Web().open(8);
  try {
    await web.pose(['v']);
    await web.page.keyboard.press('Escape');
    await web.page.keyboard.press('v');
    const logged = () => web.lines.filter((line) => line.startsWith('keyboardFunc('));
    await until('two keys or the end', async () => logged().length >= 2 || (await web.velmora()).status !== null);
    assert.deepEqual(logged(), ['keyboardFunc(118, 600, 450)', 'keyboardFunc(118, 600, 450)']);
  } finally {
    await web.close();
  }
});

// The canvas's drawing buffer and its CSS size.
const sizes = (page) => page.evaluate(() => ['width', 'height', 'clientWidth', 'clientHeight'].map((k) => document.getElementById('canvas')[k]));

test('at device scale 2 a canvas pixel is a device pixel, and movements count canvas pixels', async () => {
  const full = await new Web().open(8, { deviceScaleFactor: 2 }, 'MODE=8');
  try {
    await until('the window size', () => full.lines.includes('reshapeFunc(2560, 2000)'));
    assert.deepEqual(await sizes(full.page), [2560, 2000, 1280, 1000]);
  } finally {
    await full.close();
  }
  // With NOFS: 1200 x 900 at 600 x 450 CSS pixels, where 35 CSS pixels of movement are 70 of the canvas.
  const native = new Native(6), web = await new Web().open(6, { deviceScaleFactor: 2 });
  try {
    const [mine, theirs] = await Promise.all([web.picture(['v', 35, 'v']), native.picture(['v', 70, 'v'])]);
    assert.deepEqual(await sizes(web.page), [1200, 900, 600, 450]);
    assertLike(mine, theirs, 'mode 6 turned at scale 2');
  } finally {
    native.process.kill();
    await web.close();
  }
});

test('the full-screen control works again after full screen was left, and the keys fold away', async () => {
  const web = await new Web().open(8, {}, 'MODE=8');
  try {
    await web.pose([]);
    const fullScreen = () => web.page.evaluate(() => !!document.fullscreenElement);
    for (const time of [1, 2]) {
      await web.page.getByRole('button', { name: 'full screen' }).click();
      await until(`full screen, time ${time}`, fullScreen);
      await web.page.evaluate(() => document.exitFullscreen());
      await until('the window again', async () => !(await fullScreen()));
    }
    await web.page.getByRole('button', { name: 'Hide keys' }).click();
    assert.equal(await web.page.getByRole('button', { name: 'm edit mode' }).isVisible(), false);
  } finally {
    await web.close();
  }
});

// ---- The pose in the address: kept current while editing, copied, opened in a fresh page ----

const address = (web) => web.page.evaluate(() => ({ href: location.href, hash: location.hash, entries: history.length }));
const started = (web, pose) => until('a start in the pose', () => web.page.evaluate(
  () => window.velmora?.firstFrame != null && Module.velmoraPose?.()).then((p) => p === pose, () => false));
// A page at `link`, reached from a blank page so that the program starts anew.
async function openAt(link) {
  const web = await new Web().open(13);
  await web.page.goto('about:blank');
  web.lines = [];
  await web.page.goto(link);
  return web;
}

test('an edited chain keeps its pose in the address, which a fresh page and POSE open as it was', async () => {
  const counted = outside(solid(4)), web = await new Web().open(13), start = await address(web);
  await web.pose(['m', 'f', 'f', 'f', 40, 'n', -25, 'n', 60, 'n', 'p', 'v', 'x', 'w', 'w', 'a', 'm']);
  const pose = await web.page.evaluate(() => Module.velmoraPose());
  const kept = await until('the pose in the address', async () => (await address(web)).hash === `#pose=${pose}` && address(web));
  assert.deepEqual([kept.href, kept.entries], [`${origin}/index.html?NOFS=1&MODE=13#pose=${pose}`, start.entries]);
  const posed = await settled(() => web.shot(), counted);
  await web.context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin });
  await web.page.evaluate(() => document.exitPointerLock());
  await web.page.locator('#copy-link').click();
  await until('the copy said', async () => /copied/.test(await web.page.locator('#link-copied').textContent()));
  assert.equal(await web.page.evaluate(() => navigator.clipboard.readText()), kept.href);
  // An edit just before the end still reaches the address, and Start again starts from there.
  await web.page.keyboard.press('p');
  await web.quit();
  const ending = await web.page.evaluate(() => Module.velmoraPose());
  assert.ok(ending !== pose && (await address(web)).hash === `#pose=${ending}`, ending);
  await web.page.locator('#again').click();
  await started(web, ending);
  await web.close();

  process.env.POSE = pose;  // the native viewer inherits it
  const fresh = await openAt(kept.href), native = new Native(13);
  delete process.env.POSE;
  await started(fresh, pose);
  const opened = await settled(() => fresh.shot(), counted);
  assert.ok(same(opened, posed, counted), 'the link opens the picture it was copied from');
  assertLike(opened, await native.picture([], counted), 'pose from the address', counted);
  await fresh.close();
});

test('a malformed pose put into a running page\'s address starts the default picture anew and says why', async () => {
  const bad = '1.v.not-a-camera', counted = outside(solid(1)), web = await new Web().open(13);
  await until('the first frame', async () => (await web.velmora()).firstFrame != null);
  // Only the fragment changes: the browser would merely scroll, unless the page starts again.
  web.lines = [];
  await web.page.goto(`${origin}/index.html?NOFS=1&MODE=13#pose=${bad}`);
  await until('a new start', () => web.lines.length);
  process.env.POSE = bad;
  const native = new Native(13);
  delete process.env.POSE;
  assertLike(await web.picture([], counted), await native.picture([], counted), 'malformed pose', counted);
  for (const lines of [native.lines(), web.lines])
    assert.deepEqual(lines.filter((l) => l.startsWith('pose')), ['pose ignored: its camera is not ten doubles in base64url']);
  await web.close();
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
    // Until the reloaded page's loader runs, it has no window.velmora.
    await until('a new start', () => page.evaluate(() => window.velmora?.status === null && window.velmora.firstFrame));
    assert.deepEqual(errors, []);
  } finally {
    await context.close();
  }
});
