// velmora: the page in Firefox ESR and in WebKit, on Xvfb: mode 8's picture against the native
// viewer's, a key's lines, the pose the address keeps opened in a fresh page, and the status page after
// Escape. CTest runs it (tests/web/CMakeLists.txt) as
//   node browsers_test.mjs firefox ZIP NATIVE_VIEWER SOURCE_DIR NODE_DIR FIREFOX
//   node browsers_test.mjs webkit ZIP NATIVE_VIEWER SOURCE_DIR NODE_DIR MINIBROWSER WEBKITWEBDRIVER
// Firefox is driven by puppeteer-core through WebDriver BiDi; WebKit by plain W3C WebDriver over HTTP,
// with real X input for its pointer and keys (its WebDriver's synthesised pointer moves are erratic).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import net from 'node:net';
import path from 'node:path';
import { decodePng, same } from './images.mjs';
import { assertLike, nativeRun, settled, sleep, spawnKept, start, until, xdotool } from './desktop.mjs';

const [name, ...paths] = process.argv.slice(2);
const [zip, viewer, source, nodeDir, binary, driverBinary] = paths.map((a) => path.resolve(a));

// Each driver opens the page and gives: run(f) (f's value in the page), shot() (the canvas), lock()
// (a click on its centre), key(k), release() (the pointer lock left as a user would), go(url) (the page
// at url, anew), errors(), close().
async function firefox(url, display) {
  const puppeteer = createRequire(path.join(nodeDir, 'package.json'))('puppeteer-core');
  // The window's size is the viewport: emulating one needs a BiDi command older ESRs lack.
  const browser = await puppeteer.launch({ browser: 'firefox', executablePath: binary, headless: false,
    defaultViewport: null, env: { ...process.env, DISPLAY: display }, args: ['--width=1600', '--height=1200'] });
  const errors = [];
  let page;
  try {
    page = await browser.newPage();
    page.on('pageerror', (e) => errors.push(`uncaught: ${e.message}`));
    // The program writes nothing on standard output, which the page logs.
    page.on('console', (m) => ['error', 'log'].includes(m.type()) && errors.push(`console ${m.type()}: ${m.text()}`));
    await page.goto(url);
  } catch (e) {
    await browser.close();  // a browser left open keeps the test from ending
    throw e;
  }
  // Looked up at each use: a page opened anew has a canvas of its own.
  const canvas = () => page.$('#canvas');
  return {
    run: (f) => page.evaluate(f),
    shot: async () => decodePng(await (await canvas()).screenshot()),
    lock: async () => (await canvas()).click(),
    key: (k) => page.keyboard.press(k),
    // A finger's drag across the picture's centre: Firefox reports it as touch pointers alone.
    async drag() {
      const box = await (await canvas()).boundingBox();
      const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
      await page.touchscreen.touchStart(x, y);
      for (let step = 1; step <= 4; ++step)  // the program drops its first two pointer events
        await page.touchscreen.touchMove(x + 10 * step, y);
      await page.touchscreen.touchEnd();
    },
    // A synthesised Escape is the page's to see; Firefox keeps a real one for itself.
    release: () => page.evaluate(() => document.exitPointerLock()),
    go: (to) => page.goto(to),
    errors: () => errors,
    close: () => browser.close(),
  };
}

async function webkit(url, display) {
  const port = await new Promise((resolve) => {
    const probe = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
  const driver = spawnKept(driverBinary, [`--port=${port}`], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
  const wd = async (method, what, body) => {
    const res = await fetch(`http://127.0.0.1:${port}${what}`,
      { method, headers: { 'Content-Type': 'application/json' }, body: body && JSON.stringify(body) });
    const { value } = await res.json();
    if (!res.ok) throw new Error(`WebDriver ${method} ${what}: ${JSON.stringify(value)}`);
    return value;
  };
  await until('WebKitWebDriver', () => wd('GET', '/status').catch(() => null));
  const { sessionId } = await wd('POST', '/session', { capabilities: { alwaysMatch:
    { 'webkitgtk:browserOptions': { binary, args: ['--automation'] } } } });
  const session = `/session/${sessionId}`;
  await wd('POST', `${session}/window/rect`, { x: 0, y: 0, width: 1400, height: 1100 });
  await wd('POST', `${session}/url`, { url });
  const run = (f) => wd('POST', `${session}/execute/sync`, { script: `return (${f})()`, args: [] });
  const canvas = async () => Object.values(await wd('POST', `${session}/element`, { using: 'css selector', value: '#canvas' }))[0];
  return {
    run,
    shot: async () => decodePng(Buffer.from(await wd('GET', `${session}/element/${await canvas()}/screenshot`), 'base64')),
    async lock() {
      // The canvas's centre on the screen: the page's top left is found from a real pointer move.
      await run(() => addEventListener('pointermove', (e) => {
        const box = document.getElementById('canvas').getBoundingClientRect();
        window.centreAt = [e.screenX - e.clientX + box.x + box.width / 2, e.screenY - e.clientY + box.y + box.height / 2];
      }));
      xdotool(display, 'mousemove', 300, 300, 'mousemove', 301, 301);
      const [x, y] = await until('a pointer move', () => run(() => window.centreAt));
      xdotool(display, 'mousemove', Math.round(x), Math.round(y), 'click', 1);
    },
    key: (k) => xdotool(display, 'key', k),
    release: async () => {
      xdotool(display, 'key', 'Escape');
      await until('the lock released', () => run(() => document.pointerLockElement === null));
      await sleep(500);
    },
    go: (to) => wd('POST', `${session}/url`, { url: to }),
    // Its console does not reach the driver; the lines and the status are read from the page.
    errors: () => [],
    close: async () => {
      await wd('DELETE', session);
      driver.kill();
    },
  };
}

test(`${name}: mode 8's picture, a key's lines and Escape's status page as natively`, async () => {
  const { origin, display, strays } = await start(zip);
  // First and alone on the display: the window is read back from the screen.
  const native = await nativeRun(viewer, source, display, 8, ['a']);
  assert.equal(native.status, 0);
  const page = await { firefox, webkit }[name](`${origin}/index.html?NOFS=1&MODE=8`, display);
  const state = () => page.run(() => ({ ...window.velmora, locked: document.pointerLockElement?.id ?? null }));
  try {
    await until('the first frame', async () => (await state()).firstFrame != null);
    const entriesAtStart = await page.run(() => history.length);
    const first = await settled(() => page.shot());
    assertLike(first, native.picture, `${name}: mode 8`);

    if (page.drag) {
      const pose = () => page.run(() => Module.velmoraPose());
      const unturned = await pose();
      await page.drag();
      await until('the drag to turn the camera', async () => (await pose()) !== unturned);
    }
    await page.lock();
    await until('the pointer lock', async () => (await state()).locked === 'canvas');
    await page.key('a');
    await until('the key line', async () => (await state()).lines.some((l) => l.startsWith('keyboardFunc(97')));
    const { lines } = await state();
    // The key turned the camera: the address's fragment follows, without a history entry.
    const posed = await settled(() => page.shot());
    assert.ok(!same(posed, first), 'the key turned the picture');
    const address = () => page.run(() => [location.href, Module.velmoraPose(), history.length]);
    const [link, , entries] = await until('the pose in the address', async () => {
      const [href, pose] = await address();
      return href.endsWith(`#pose=${pose}`) && address();
    });
    assert.equal(entries, entriesAtStart, 'the pose replaces the address rather than adding to the history');
    await page.release();
    const released = await state();
    assert.deepEqual([released.locked, released.status, released.lines], [null, null, lines],
      'the Escape that releases the pointer does not reach the program');

    await page.key('Escape');
    const end = await until('the program to end', async () => (await state()).status != null && state());
    assert.deepEqual(end.lines, native.lines);
    assert.equal(end.status, 0);
    assert.deepEqual(await page.run(() => [document.getElementById('ended').offsetHeight > 0,
      document.getElementById('status').textContent]), [true, 'status 0']);
    assert.deepEqual(page.errors(), []);

    // The link opens that picture: a fresh start from a blank page, not a jump to the fragment.
    await page.go('about:blank');
    await page.go(link);
    await until('a start in the pose', async () => (await state()).firstFrame != null);
    assert.ok(same(await settled(() => page.shot()), posed), 'the link opens the picture it was copied from');
    assert.deepEqual(page.errors(), []);
  } finally {
    await page.close();
  }
  assert.deepEqual(strays, [], 'the page asked only for files of its own folder');
});
