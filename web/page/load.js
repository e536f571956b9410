// velmora: the page's loader: fetches the program and its pictures with their progress on the page,
// starts the program, shows how it ended, and turns every way a load can fail into a sentence.
//   window.velmora.lines        every standard-error line of the program, in order
//   window.velmora.status       the exit status once the program has ended, else null
//   window.velmora.firstFrame   performance.now() just after the first frame, else null
//   window.velmora.failure      the failure sentence the page shows, else null
//   window.velmora.fail(text)   hides the picture and shows `text`, a plain sentence saying what failed
//                               and what to do; the first failure is the one shown
"use strict";
(() => {
  const velmora = window.velmora = { lines: [], status: null, firstFrame: null, failure: null, fail };
  const element = (id) => document.getElementById(id);
  const canvas = element("canvas");
  // Cancels the downloads still running when the load fails.
  const downloads = new AbortController();
  let progressTimer = null;

  function fail(text) {
    if (velmora.failure !== null || velmora.status !== null)
      return;
    velmora.failure = String(text);
    downloads.abort();
    clearInterval(progressTimer);
    // A running program gets no more input, and the pointer and the screen are let go.
    window.velmoraInput?.end();
    for (const id of ["canvas", "controls", "loading"])
      element(id).hidden = true;
    element("failure").textContent = velmora.failure;
    element("failed").hidden = false;
  }

  // "Start again" reloads the page: following its own address would only scroll to a fragment.
  for (const again of document.querySelectorAll("a.again")) {
    again.href = location.href;
    again.addEventListener("click", (event) => {
      event.preventDefault();
      location.reload();
    });
  }

  // The program's end: the canvas goes, and the page says how it ended. The fatal lines are the
  // check's two and, before them, the line naming a GL error when there is one.
  function ended(status) {
    if (velmora.status !== null || velmora.failure !== null)
      return;
    velmora.status = status;
    canvas.hidden = true;
    element("controls").hidden = true;
    element("loading").hidden = true;
    element("status").textContent = "status " + status;
    const first = velmora.lines.findIndex((line) => line.startsWith("velmora: fatal:"));
    if (first >= 0) {
      const from = first > 0 && velmora.lines[first - 1].startsWith("opengl error detected") ? first - 1 : first;
      const fatal = element("fatal");
      fatal.textContent = velmora.lines.slice(from).join("\n");
      fatal.hidden = false;
    }
    element("ended").hidden = false;
  }

  // A failure with its sentence ready for the page.
  class LoadFailure extends Error {}
  const again = "Put the whole velmora folder on the server again, from one zip, then start again.";

  // What is loaded, for the progress line: bytes so far and the size the server gave (0 if none).
  const parts = { program: [], pictures: [] };
  const megabytes = (bytes) => (bytes / 1e6).toFixed(2);

  // The sum of `key` ("loaded" or "total") over `files`.
  const sum = (files, key) => files.reduce((all, file) => all + file[key], 0);
  // "1.20 of 3.10 MB" of `files`, or "1.20 MB" while a size is unknown.
  const amount = (files) => files.every((file) => file.total) ?
    `${megabytes(sum(files, "loaded"))} of ${megabytes(sum(files, "total"))} MB` : `${megabytes(sum(files, "loaded"))} MB`;

  // Shows how much has arrived, or `phase`, the step after the downloads.
  function showProgress(phase) {
    element("progress-text").textContent = phase ??
      `Loading velmora: the program ${amount(parts.program)}, the pictures ${amount(parts.pictures)}.`;
    const files = [...parts.program, ...parts.pictures], bar = element("progress-bar");
    if (!phase && files.every((file) => file.total)) {
      bar.max = sum(files, "total");
      bar.value = Math.min(sum(files, "loaded"), bar.max);
    } else {
      bar.removeAttribute("value");
    }
  }

  // The bytes of one file of the page's folder, counted into `parts[part]` as they arrive and given
  // to `each(chunk, first)` when there is one.
  async function download(name, part, each = null) {
    const file = { loaded: 0, total: 0 };
    parts[part].push(file);
    let response;
    try {
      response = await fetch(name, { signal: downloads.signal });
    } catch (error) {
      throw new LoadFailure(`velmora could not fetch ${name}: the network failed or the server refused it ` +
        `(${error.message}). Check the connection and the server, then start again.`);
    }
    if (!response.ok)
      throw new LoadFailure(`velmora could not load ${name}: the server answered ${response.status} ` +
        `${response.statusText}, so the file is missing there or refused. ${again}`);
    // A server that compresses the file in transit gives the compressed size, not what arrives.
    if (!response.headers.get("Content-Encoding"))
      file.total = Number(response.headers.get("Content-Length")) || 0;
    const chunks = [];
    try {
      for (const reader = response.body.getReader(); ;) {
        const { done, value } = await reader.read();
        if (done)
          break;
        chunks.push(value);
        each?.(value, chunks.length === 1);
        file.loaded += value.length;
      }
    } catch (error) {
      throw new LoadFailure(`velmora could not load ${name}: it stopped arriving after ${file.loaded} bytes ` +
        `(${error.message}). Check the connection, then start again.`);
    }
    if (file.total && file.loaded !== file.total)
      throw new LoadFailure(`velmora could not load ${name}: ${file.loaded} bytes arrived, not the ` +
        `${file.total} the server announced. ${again}`);
    const bytes = new Uint8Array(file.loaded);
    chunks.reduce((at, chunk) => (bytes.set(chunk, at), at + chunk.length), 0);
    return bytes;
  }

  // velmora.data as the program reads it. The zip holds it packed, so that it travels compressed
  // whatever the server does: each byte less the sixth before it (scripts/package/delta.mjs) after a
  // marker line, then gzip. A server that sent it with Content-Encoding has undone the gzip already;
  // bytes without the marker are the pictures as they are.
  const marker = "velmora: bytes less the sixth before\n";
  // Gunzips the chunks given to `write` as they arrive: chromium's DecompressionStream takes half a
  // second for the pictures, which would otherwise follow the download rather than overlap it.
  function gunzipping() {
    const inflate = new DecompressionStream("gzip"), writer = inflate.writable.getWriter();
    const output = new Response(inflate.readable).arrayBuffer();
    // A damaged stream fails each write too; its error is read once, from `output`.
    output.catch(() => {});
    return {
      write: (chunk) => writer.write(chunk).catch(() => {}),
      result: () => (writer.close().catch(() => {}), output),
    };
  }
  // Whether `chunk`, velmora.data's first, starts a gzip stream.
  const gzipped = (chunk) => chunk[0] === 0x1f && chunk[1] === 0x8b;

  async function unpacked(data, gunzip) {
    if (gzipped(data)) {
      if (!gunzip)
        throw new LoadFailure("velmora cannot unpack its pictures in this browser, which has no " +
          "DecompressionStream: use a current Chrome, Edge, Firefox or Safari.");
      try {
        data = new Uint8Array(await gunzip.result());
      } catch (error) {
        throw new LoadFailure(`velmora could not unpack velmora.data, which is damaged (${error.message}). ${again}`);
      }
    }
    if (new TextDecoder("latin1").decode(data.subarray(0, marker.length)) !== marker)
      return data;
    const pictures = data.subarray(marker.length);
    for (let at = 6; at < pictures.length; ++at)
      pictures[at] += pictures[at - 6];
    return pictures.slice();
  }

  async function compiled(wasm) {
    if (typeof WebAssembly !== "object")
      throw new LoadFailure("velmora needs WebAssembly, which this browser does not offer or has turned " +
        "off: use a current Chrome, Edge, Firefox or Safari, with WebAssembly allowed.");
    try {
      return await WebAssembly.compile(wasm);
    } catch (error) {
      throw new LoadFailure(`velmora could not compile velmora.wasm (${error.message}): the file is damaged, ` +
        `or this browser's WebAssembly is too old. ${again}`);
    }
  }

  // Hands the program to WebAssembly with emscripten's imports: where memory cannot be had, this is
  // where it fails.
  function instantiate(module, imports, receive) {
    WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module), (error) => {
      if (error instanceof RangeError)
        fail(`velmora could not get the memory it needs, 128 MB (${error.message}). Close other tabs ` +
          "or programs, then start again.");
      else
        fail(`velmora could not start velmora.wasm (${error.message}): it does not belong with this ` +
          `velmora.js. ${again}`);
    });
    return {};
  }

  const Module = window.Module = {
    canvas: canvas,
    print: (text) => console.log(text),
    printErr: (text) => { velmora.lines.push(text); console.warn(text); },
    onExit: ended,
    onAbort: (what) => fail(`velmora stopped with an internal error (${what}). Start again; if it ` +
      "happens again, this browser cannot run it."),
    // main has run and GLUT has asked for the first frame: this callback runs just after it.
    postRun: [() => requestAnimationFrame(() => {
      velmora.firstFrame = performance.now();
      element("loading").hidden = true;
    })],
  };

  async function load() {
    if (location.protocol === "file:")
      throw new LoadFailure("velmora must be served over HTTP: browsers do not load its program and " +
        "pictures from a page opened from the disk. In a terminal in this folder, run " +
        "python3 -m http.server --bind 127.0.0.1 and open the address it prints (http://127.0.0.1:8000/).");
    // velmora draws with WebGL 2; without it, say so rather than start a program that cannot draw.
    if (!document.createElement("canvas").getContext("webgl2")) {
      canvas.hidden = true;
      element("controls").hidden = true;
      element("loading").hidden = true;
      element("no-webgl").hidden = false;
      return;
    }
    let gunzip = null;
    const downloaded = Promise.all([download("velmora.js", "program"),
      download("velmora.wasm", "program").then(compiled),
      download("velmora.data", "pictures", (chunk, first) => {
        if (first && gzipped(chunk) && typeof DecompressionStream === "function")
          gunzip = gunzipping();
        gunzip?.write(chunk);
      })]);
    showProgress();
    progressTimer = setInterval(showProgress, 200);
    const [script, module, data] = await downloaded;
    clearInterval(progressTimer);
    showProgress("Unpacking the pictures.");
    const pictures = await unpacked(data, gunzip);
    const source = new TextDecoder().decode(script);
    // emscripten 3.1.6 quotes the key, 3.1.69 does not.
    const expected = /"?remote_package_size"?:(\d+)/.exec(source)?.[1];
    if (expected === undefined)
      throw new LoadFailure(`velmora.js is damaged: it does not say how large its pictures are. ${again}`);
    if (pictures.length !== Number(expected))
      throw new LoadFailure(`velmora.data holds ${pictures.length} bytes of pictures where velmora.js ` +
        `expects ${expected}: the two files come from different builds, or one is damaged. ${again}`);
    showProgress("Starting velmora.");
    Module.getPreloadedPackage = () => pictures.buffer;
    Module.instantiateWasm = (imports, receive) => instantiate(module, imports, receive);
    const program = document.createElement("script");
    program.textContent = source;
    document.body.append(program);
  }

  // exit ends the program by throwing out of whatever called it, a key's handler say; once the page
  // has heard the status, that throw is the end it reported, not an error. Anything else thrown
  // before the first frame, by velmora.js or by the program's start (which runs in a promise's
  // callback), is a start that failed.
  function uncaught(event, error) {
    if (velmora.status !== null && error && error.name === "ExitStatus") {
      event.preventDefault();
    } else if (velmora.firstFrame === null && velmora.status === null) {
      event.preventDefault();
      fail(`velmora could not start (${error && error.message || error}): velmora.js or velmora.wasm is ` +
        `damaged, or this browser is too old for them. ${again}`);
    }
  }
  window.addEventListener("error", (event) => uncaught(event, event.error || event.message));
  window.addEventListener("unhandledrejection", (event) => uncaught(event, event.reason));
  document.addEventListener("pointerlockchange", () => {
    document.body.classList.toggle("locked", document.pointerLockElement === canvas);
  });

  load().catch((error) => fail(error instanceof LoadFailure ? error.message : `velmora could not load: ${error}`));
})();
