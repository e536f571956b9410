// velmora: what a browser test on an X display needs besides the browser: the page's zip served from
// 127.0.0.1, an Xvfb, the native viewer's picture and lines to judge the page by, and clean-up.
//   sleep(ms), until(what, done, ms)   wait; poll `done` every 100 ms until it gives something truthy
//   settled(shoot, counted)            shoot until two shots in a row agree (where `counted`) and show something
//   assertLike(picture, reference, what, counted)  among the pixels drawn in either (and counted), at least
//                                      99 % within 8 levels and at most 1 % beyond 16
//   keep(picture, name)                with VELMORA_WEB_SHOTS naming a folder, keeps the picture there to look at
//   start(zip)                         serves the zip's folder, starts an Xvfb: { origin, display, strays }
//                                      (strays: the addresses the server could not answer)
//   spawnKept(command, args, options)  a child process that is killed when the test process ends
//   nativeRun(viewer, source, display, mode, keys)  the native viewer's first settled picture and,
//                                      after `keys` and an Escape, its standard-error lines and status
//   xdotool(display, ...args)          real X input on the display
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serveFolder } from '../../scripts/serve.mjs';
import { decodePpm, match, same } from './images.mjs';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

export async function until(what, done, ms = 30000) {
  for (const end = Date.now() + ms; ; await sleep(100)) {
    const value = await done();
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
  }
}

export async function settled(shoot, counted) {
  let previous = await shoot();
  return until('a settled picture', async () => {
    const shot = await shoot();
    const done = shot && previous && same(shot, previous, counted) && shot.rgb.some((v) => v) && shot;
    previous = shot;
    return done;
  });
}

export function assertLike(picture, reference, what, counted) {
  const m = match(picture, reference, counted);
  const said = `${what}: ${m.drawn} px drawn, ${(100 * m.close).toFixed(2)} % within 8, ${(100 * m.far).toFixed(2)} % beyond 16`;
  console.log(said);
  keep(picture, `${what}-web`);
  keep(reference, `${what}-native`);
  assert.ok(m.drawn > 5000 && m.close >= 0.99 && m.far <= 0.01, said);
}

export function keep(picture, name) {
  const folder = process.env.VELMORA_WEB_SHOTS;
  if (folder)
    fs.writeFileSync(path.join(folder, `${name.replace(/\W+/g, '-')}.ppm`),
      Buffer.concat([Buffer.from(`P6\n${picture.width} ${picture.height}\n255\n`), picture.rgb]));
}

// Killed on every way out: a failed assertion, a timeout's SIGTERM.
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'velmora-browser-'));
const children = new Set();
process.on('exit', () => {
  for (const child of children) child.kill('SIGKILL');
  fs.rmSync(scratch, { recursive: true, force: true });
});
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => process.exit(1));

export function spawnKept(command, args, options) {
  const child = spawn(command, args, options);
  children.add(child);
  child.once('exit', () => children.delete(child));
  return child;
}

export const xdotool = (display, ...args) =>
  execFileSync('xdotool', args.map(String), { env: { ...process.env, DISPLAY: display } });

export async function start(zip) {
  execFileSync('unzip', ['-q', zip, '-d', scratch]);
  const [top, ...more] = fs.readdirSync(scratch);
  assert.deepEqual(more, [], 'the zip holds one folder');
  // The server behind scripts/run.sh web; whatever it cannot answer is a stray.
  const { server, address } = await serveFolder(path.join(scratch, top));
  const strays = [];
  server.on('request', (req, res) => res.on('finish', () => {
    // Browsers ask for a site's icon of their own accord; the page does not.
    if (res.statusCode !== 200 && !req.url.startsWith('/favicon.ico')) strays.push(req.url);
  }));
  const xvfb = spawnKept('Xvfb', ['-displayfd', '1', '-noreset', '-screen', '0', '1600x1200x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  const display = `:${String(await new Promise((resolve, reject) => {
    xvfb.stdout.once('data', resolve);
    xvfb.once('exit', () => reject(new Error('Xvfb did not start')));
  })).trim()}`;
  // The server and the display live as long as the test process, and do not keep it alive.
  xvfb.unref();
  xvfb.stdout.unref();
  server.unref();
  return { origin: new URL(address).origin, display, strays };
}

// Each key is awaited until its line is logged, so all before it has been handled too. The
// window is alone on the display: a browser's window over it would be in its picture.
export async function nativeRun(viewer, source, display, mode, keys) {
  const env = { ...process.env, DISPLAY: display, NOFS: '1', MODE: String(mode) };
  const child = spawnKept(viewer, [], { cwd: source, env, stdio: ['ignore', 'ignore', 'pipe'] });
  let stderr = '';
  child.stderr.on('data', (d) => (stderr += d));
  const status = new Promise((resolve) => child.once('close', resolve));
  const shoot = () => {
    try {
      return decodePpm(execFileSync('sh', ['-c', 'xwd -silent -name velmora | xwdtopnm 2>/dev/null'],
        { env, stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 24 }));
    } catch {
      return null;
    }
  };
  const picture = await settled(shoot);
  for (const key of [...keys, 'Escape']) {
    const before = stderr.length;
    xdotool(display, 'key', key);
    await until(`the native viewer to log ${key}`, () => stderr.length > before);
  }
  return { picture, status: await status, lines: stderr.split('\n').slice(0, -1) };
}
