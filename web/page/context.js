// velmora: the page through a lost WebGL context. A GPU reset, a driver update or too many WebGL
// pages can take the canvas's context away; the program keeps running meanwhile, the page says
// that the picture will come back, and once the browser gives a new context the GL layer makes
// its objects again (velmora_gl_restore) and the next frame is drawn as if nothing had happened.
// A context that is not back within 10 s ends in a sentence saying so.
"use strict";
(() => {
  const canvas = document.getElementById("canvas");
  const waitMs = 10000;
  let note = null;
  let timer = null;

  // A line of its own over the top of the canvas.
  function say(text) {
    if (!note) {
      note = document.createElement("p");
      note.id = "context-lost";
      note.setAttribute("role", "status");
      Object.assign(note.style, { position: "fixed", left: "0", top: "0", margin: "0", padding: "0.6em 1em",
        background: "rgba(0, 0, 0, 0.75)", color: "#ccc", zIndex: "1" });
      document.body.append(note);
    }
    note.textContent = text;
    note.hidden = false;
  }

  // Once velmora has ended the canvas is gone, and with it anything to say about its context.
  const running = () => !(window.velmora && window.velmora.status !== null);

  function fail() {
    if (!running())
      return;
    const text = "The browser took the picture's graphics away and did not give them back within 10 seconds. " +
      "Reload the page to start velmora again; if that happens again, close other pages that use 3-D graphics.";
    if (window.velmora && typeof window.velmora.fail === "function")
      window.velmora.fail(text);
    else
      say(text);
  }

  // Without preventDefault the browser never offers the context back.
  canvas.addEventListener("webglcontextlost", (event) => {
    event.preventDefault();
    if (!running())
      return;
    say("The picture is gone for a moment: the browser has taken its graphics away. It will come back by itself.");
    clearTimeout(timer);
    timer = setTimeout(fail, waitMs);
  });

  canvas.addEventListener("webglcontextrestored", () => {
    clearTimeout(timer);
    if (note)
      note.hidden = true;
    if (running() && typeof Module !== "undefined" && Module._velmora_gl_restore)
      Module._velmora_gl_restore();
  });
})();
