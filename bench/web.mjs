// velmora: the page's benchmark in Debian's chromium, one of three runs:
//   swiftshader  headless, WebGL 2 on SwiftShader: page load to first frame per mode and on a slow
//                network, frame time at 1, 8, 32 and 127 rings, the bytes handed to WebGL a frame, where a frame's time goes
//   llvmpipe     headed on the X display in DISPLAY, WebGL 2 through ANGLE on Mesa's llvmpipe (the
//                native viewer's rasteriser), vsync and the frame-rate limit off: the frame times
//                and where the time goes
//   calls        the WebGL calls a frame makes, by name, at 1, 8, 32 and 127 rings
//   node bench/web.mjs PAGE_FOLDER NODE_MODULES RUN [LOADS [SYMBOL_MAP]]   (bench/web.sh runs them)
//   RINGS=32,127 in the environment: those chain lengths instead of 1, 8, 32 and 127.
// Every figure is a median over LOADS page loads (5), or over the frames of one load.
import fs from "node:fs";
import {createRequire} from "node:module";
import path from "node:path";

import {serveFolder} from "../scripts/serve.mjs";

const [folder, modules, run, runsText, symbols = ""] = process.argv.slice(2);
const runs = Number(runsText ?? 5);
const {chromium} = createRequire(path.join(path.resolve(modules), "x.js"))("playwright-core");

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const middle = sorted.length >> 1;
    return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const quantile = (values, q) => [...values].sort((a, b) => a - b)[Math.floor(q * (values.length - 1))];

const {server, address} = await serveFolder(folder);
const common = ["--no-sandbox", "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--no-first-run"];
const browser = await chromium.launch(run === "llvmpipe" ? {
    executablePath: "/usr/bin/chromium", headless: false,
    args: [...common, "--use-gl=angle", "--use-angle=gl", "--disable-gpu-vsync", "--disable-frame-rate-limit",
        "--ignore-gpu-blocklist"],  // llvmpipe is on the blocklist: without this there is no WebGL 2
} : {
    executablePath: "/usr/bin/chromium",
    args: [...common, "--use-angle=swiftshader", "--enable-unsafe-swiftshader"],
});

// CPU time so far, in ms, of this run's chromium GPU process and renderers (the pages' processes):
// utime + stime from /proc, in clock ticks of 10 ms, of this process's descendants only. gpuMain
// is the GPU process's main thread alone, which runs the pages' WebGL commands (and llvmpipe's
// vertex work and triangle setup), apart from its compositor and rasteriser threads.
function processCpuMs() {
    const processes = new Map();
    for (const pid of fs.readdirSync("/proc").filter((name) => /^\d+$/.test(name))) {
        try {
            const cpuMs = (stat) => {
                const fields = fs.readFileSync(stat, "utf8").split(") ")[1].split(" ");
                return {parent: Number(fields[1]), ms: (Number(fields[11]) + Number(fields[12])) * 10};
            };
            const {parent, ms} = cpuMs(`/proc/${pid}/stat`);
            const command = fs.readFileSync(`/proc/${pid}/cmdline`, "utf8");
            processes.set(Number(pid), {parent, ms, mainMs: cpuMs(`/proc/${pid}/task/${pid}/stat`).ms, command});
        } catch {
            // the process ended meanwhile
        }
    }
    const ours = (pid) => {
        for (let at = processes.get(pid); at; at = processes.get(at.parent))
            if (at.parent === process.pid)
                return true;
        return false;
    };
    const times = {gpu: 0, gpuMain: 0, renderer: 0};
    for (const [pid, {ms, mainMs, command}] of processes) {
        const kind = command.includes("--type=gpu-process") ? "gpu" : command.includes("--type=renderer") ? "renderer" : null;
        if (kind !== null && ours(pid))
            times[kind] += ms;
        if (kind === "gpu" && ours(pid))
            times.gpuMain += mainMs;
    }
    return times;
}

// A fresh page at `query`, once its first frame is drawn; `network`, when given, is chromium's network
// emulation for it ({latency: ms, bytesPerSecond}). Each animation-frame callback's own time
// (the program's frame: wasm, the GL layer and WebGL's command calls, all on the main thread) is
// recorded in window.callbackMs. In the calls run, every WebGL 2 method counts its calls into
// window.glCalls while window.counting is set.
async function open(query, network = null) {
    const page = await browser.newPage({viewport: {width: 1300, height: 1000}});
    if (network) {
        const cdp = await page.context().newCDPSession(page);
        await cdp.send("Network.emulateNetworkConditions", {offline: false, latency: network.latency,
            downloadThroughput: network.bytesPerSecond, uploadThroughput: network.bytesPerSecond});
    }
    if (run === "calls")
        await page.addInitScript(() => {
            window.glCalls = {};
            window.counting = false;
            const methods = WebGL2RenderingContext.prototype;
            for (const name of Object.getOwnPropertyNames(methods)) {
                const method = Object.getOwnPropertyDescriptor(methods, name).value;
                if (typeof method !== "function" || name === "constructor")
                    continue;
                methods[name] = function (...args) {
                    if (window.counting)
                        window.glCalls[name] = (window.glCalls[name] ?? 0) + 1;
                    return method.apply(this, args);
                };
            }
        });
    await page.addInitScript(() => {
        window.callbackMs = [];
        const request = window.plainRequestAnimationFrame = window.requestAnimationFrame.bind(window);
        window.requestAnimationFrame = (callback) => request((time) => {
            const start = performance.now();
            callback(time);
            window.callbackMs.push(performance.now() - start);
        });
    });
    await page.goto(address + query);
    await page.waitForFunction(() => window.velmora.firstFrame !== null, null, {timeout: 120000});
    return page;
}

// Self time by function over 3 s of the page's main thread, the largest first: [name, share].
// WebAssembly functions are named from the symbol map beside the page's build, when there is one.
async function profileOf(page) {
    const names = new Map();
    try {
        for (const line of fs.readFileSync(symbols, "utf8").split("\n")) {
            const colon = line.indexOf(":");
            if (colon > 0)
                names.set(line.slice(0, colon), line.slice(colon + 1).replace(/\\([0-9a-f]{2})/g,
                    (_, hex) => String.fromCharCode(parseInt(hex, 16))));
        }
    } catch {
        // no map: the profile keeps the browser's own names
    }
    const cdp = await page.context().newCDPSession(page);
    await cdp.send("Profiler.enable");
    await cdp.send("Profiler.setSamplingInterval", {interval: 250});
    await cdp.send("Profiler.start");
    await page.waitForTimeout(3000);
    const {profile: recorded} = await cdp.send("Profiler.stop");
    const byId = new Map(recorded.nodes.map((node) => [node.id, node]));
    const self = new Map();
    for (const id of recorded.samples) {
        const frame = byId.get(id).callFrame;
        let name = frame.functionName || "(anonymous)";
        const index = /^\$?(?:func|wasm-function\[)(\d+)/.exec(name);
        if (index && names.has(index[1]))
            name = names.get(index[1]);
        if (frame.url.endsWith(".wasm") || index)
            name += " [wasm]";
        self.set(name, (self.get(name) ?? 0) + 1);
    }
    return [...self].sort((a, b) => b[1] - a[1]).slice(0, 15).map(([name, n]) => [name, n / recorded.samples.length]);
}

console.log(`chromium ${browser.version()}; page ${address}`);
const renderer = await (async () => {
    const page = await open("?NOFS=1&MODE=6");
    const name = await page.evaluate(() => {
        const gl = document.createElement("canvas").getContext("webgl2");
        const info = gl.getExtension("WEBGL_debug_renderer_info");
        return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER);
    });
    await page.close();
    return name;
})();
console.log(`WebGL 2 renderer: ${renderer}\n`);

// A fresh page with the chain at `rings` rings (m, f x (rings - 1), v: every ring at angle 0).
async function chain(rings) {
    const page = await open("?NOFS=1");
    await page.keyboard.press("m");
    for (let ring = 1; ring < rings; ++ring)
        await page.keyboard.press("f");
    await page.keyboard.press("v");
    return page;
}

// RINGS=127 (or a comma-separated list) times only those chain lengths.
const ringCounts = (process.env.RINGS ?? "1,8,32,127").split(",").map(Number);

if (run === "calls") {
    // Counted over 30 frames after 10; the program clears once a frame, so glClear counts the frames.
    const counts = [];
    for (const rings of ringCounts) {
        const page = await chain(rings);
        counts.push(await page.evaluate(() => new Promise((resolve) => {
            let frame = 0;
            const tick = () => {
                window.counting = ++frame > 10;
                if (frame <= 40)
                    requestAnimationFrame(tick);
                else
                    resolve(window.glCalls);
            };
            requestAnimationFrame(tick);
        })));
        await page.close();
    }
    const perFrame = (calls, name) => (calls[name] ?? 0) / calls.clear;
    const total = (calls) => Object.values(calls).reduce((a, b) => a + b, 0) / calls.clear;
    const names = [...new Set(counts.flatMap(Object.keys))].sort((a, b) => perFrame(counts.at(-1), b) - perFrame(counts.at(-1), a));
    const row = (label, values) => console.log(`  ${label.padEnd(24)}${values.map((v) => v.toFixed(1).padStart(9)).join("")}`);
    console.log("WebGL calls a frame, mode 13 at 1200x900 (30 frames after 10)");
    console.log(`  ${"rings".padEnd(24)}${ringCounts.map((r) => String(r).padStart(9)).join("")}`);
    for (const name of names)
        row(name, counts.map((calls) => perFrame(calls, name)));
    row("all", counts.map(total));
    // Pages before drawing by index called drawArrays, later ones drawElements.
    const draws = (calls) => perFrame(calls, "drawArrays") + perFrame(calls, "drawElements");
    row("a draw", counts.map((calls) => total(calls) / draws(calls)));
} else {
    if (run === "swiftshader") {
        console.log(`page load to first frame, ms from navigation (median of ${runs}, min-max)`);
        for (const mode of [13, 8, 6]) {
            const times = [];
            for (let load = 0; load < runs; ++load) {
                const page = await open(`?NOFS=1&MODE=${mode}`);
                times.push(await page.evaluate(() => window.velmora.firstFrame));
                await page.close();
            }
            console.log(`  mode ${String(mode).padStart(2)}: ${median(times).toFixed(0)} (${Math.min(...times).toFixed(0)}-${Math.max(...times).toFixed(0)})`);
        }
        // A school's shared line, as chromium emulates it: 1.6 Mbit/s with 150 ms latency. The bytes are
        // those fetched before the first frame, as the server sent them (it compresses nothing).
        const slow = {latency: 150, bytesPerSecond: 1.6e6 / 8};
        const slowTimes = [];
        let fetched = 0;
        for (let load = 0; load < Math.min(runs, 3); ++load) {
            const page = await open("?NOFS=1", slow);
            slowTimes.push(await page.evaluate(() => window.velmora.firstFrame));
            fetched = await page.evaluate(() => performance.getEntriesByType("resource").concat(performance.getEntriesByType("navigation"))
                .reduce((sum, entry) => sum + entry.encodedBodySize, 0));
            await page.close();
        }
        console.log(`  mode 13 at 1.6 Mbit/s, 150 ms latency: ${median(slowTimes).toFixed(0)} (${Math.min(...slowTimes).toFixed(0)}-` +
            `${Math.max(...slowTimes).toFixed(0)}), ${fetched} bytes fetched`);
        console.log();
    }

    console.log(`mode 13 at 1200x900, 120 frames after 30 (median; p10-p90)`);
    console.log("  rings   frame interval ms      callback ms      WebGL bytes/frame   CPU ms/frame: renderer, GPU process (its main thread)");
    let profile = null;
    for (const rings of ringCounts) {
        const page = await chain(rings);
        const before = processCpuMs();
        const result = await page.evaluate(() => new Promise((resolve) => {
            const intervals = [];
            let last = null, frame = 0, bytes = 0, callbacks = 0;
            const tick = (time) => {
                if (frame === 30) {
                    bytes = Module._velmora_gl_uploaded_bytes();
                    callbacks = window.callbackMs.length;
                }
                if (frame > 30)
                    intervals.push(time - last);
                last = time;
                if (++frame <= 150)
                    plainRequestAnimationFrame(tick);
                else
                    resolve({intervals, callbackMs: window.callbackMs.slice(callbacks),
                        bytes: (Module._velmora_gl_uploaded_bytes() - bytes) / 120});
            };
            plainRequestAnimationFrame(tick);
        }));
        const program = result.callbackMs;
        const after = processCpuMs();
        const frames = result.intervals.length + 30;  // the CPU figures also cover the 30 frames before
        if (rings === ringCounts.at(-1))
            profile = await profileOf(page);
        console.log(`  ${String(rings).padStart(5)}   ${median(result.intervals).toFixed(1).padStart(6)} (${quantile(result.intervals, 0.1).toFixed(1)}-${quantile(result.intervals, 0.9).toFixed(1)})` +
            `   ${median(program).toFixed(1).padStart(6)} (${quantile(program, 0.1).toFixed(1)}-${quantile(program, 0.9).toFixed(1)})` +
            `   ${result.bytes.toFixed(0).padStart(10)}` +
            `        ${((after.renderer - before.renderer) / frames).toFixed(1).padStart(6)}, ${((after.gpu - before.gpu) / frames).toFixed(1)} (${((after.gpuMain - before.gpuMain) / frames).toFixed(1)})`);
        await page.close();
    }

    console.log(`\nwhere the main thread's time goes at ${ringCounts.at(-1)} rings: self time of a 3 s CPU profile`);
    for (const [name, share] of profile)
        console.log(`  ${(100 * share).toFixed(1).padStart(5)} %  ${name}`);
}

await browser.close();
server.close();
