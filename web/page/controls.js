// velmora: the page's input and the canvas's size: the locked pointer, one-finger drags, the
// on-page keys and full screen, and a drawing buffer of one device pixel per canvas pixel.
//
// velmoraInput, called by the program (app/platform_web.cpp), and end() by the loader too:
//   start(program)  before glutInit: takes the page's input, sizes the canvas to the browser's
//                   window (the screen GLUT reports) and lays out the windowed picture.
//                   program: { canvas, setCanvasSize(w, h), pointerMoved(dx, dy), key(code) }.
//   fillWindow()    the canvas fills the browser's window, follows its size, and asks for the
//                   browser's full screen at the first click, tap or key.
//   end()           the program is ending, or the page failed to load (maybe before start): no
//                   input reaches the program, the pointer and the screen go back.
"use strict";

window.velmoraInput = (() => {
  let program, canvas, controls;
  let ended = false, fillsWindow = false, wantsFullScreen = false;
  // The finger that steers the picture and where it last was, in CSS pixels; every finger or pen
  // on the page, by pointer id.
  let finger = null;
  const down = new Set();
  // What is left of the movements after whole canvas pixels went to the program.
  const carry = { x: 0, y: 0 };

  const locked = () => document.pointerLockElement === canvas;
  const settle = (promise) => { if (promise) promise.catch(() => {}); };
  const root = document.documentElement;
  const fullScreenElement = () => document.fullscreenElement ?? document.webkitFullscreenElement;
  const askFullScreen = root.requestFullscreen ?? root.webkitRequestFullscreen;
  const leaveFullScreen = document.exitFullscreen ?? document.webkitExitFullscreen;

  // A movement on the page, in CSS pixels, reaches the program in canvas pixels as a passive
  // motion at the centre plus the movement.
  function moved(dx, dy) {
    const perCss = canvas.width / canvas.getBoundingClientRect().width;
    carry.x += dx * perCss;
    carry.y += dy * perCss;
    const x = Math.round(carry.x), y = Math.round(carry.y);
    carry.x -= x;
    carry.y -= y;
    if (x || y)
      program.pointerMoved(x, y);
  }

  // Gives the program a key as GLUT would, with the pointer at the centre. Escape ends the program
  // by throwing its exit status out through this call: that is its end, not an error.
  function press(code) {
    try {
      program.key(code);
    } catch (error) {
      if (error?.name !== "ExitStatus")
        throw error;
    }
  }

  // A click, tap or key: the first one after fillWindow asks for the browser's full screen, which
  // browsers grant only during one.
  function gesture() {
    if (wantsFullScreen && !fullScreenElement()) {
      wantsFullScreen = false;
      settle(askFullScreen?.call(root));
    }
  }

  function toggleFullScreen() {
    wantsFullScreen = false;
    settle(fullScreenElement() ? leaveFullScreen.call(document) : askFullScreen.call(root));
  }

  // The windowed picture: its 1200 x 900 drawing buffer at one device pixel a pixel, or smaller
  // to fit the browser's window above the controls.
  function fitWindowed() {
    if (fillsWindow || ended)
      return;
    const roomWidth = root.clientWidth, roomHeight = window.innerHeight - controls.offsetHeight;
    const cssPerPixel = Math.min(1 / window.devicePixelRatio, roomWidth / canvas.width, roomHeight / canvas.height);
    canvas.style.setProperty("--width", `${canvas.width * cssPerPixel}px`);
    canvas.style.setProperty("--height", `${canvas.height * cssPerPixel}px`);
  }

  // Calls `changed` each time devicePixelRatio changes (another screen, the browser's zoom).
  function onScaleChange(changed) {
    matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener("change", () => {
      changed();
      onScaleChange(changed);
    }, { once: true });
  }

  // The full-window canvas's drawing buffer: its CSS size in device pixels.
  function fitWindow() {
    if (ended)
      return;
    const box = canvas.getBoundingClientRect();
    const width = Math.round(box.width * window.devicePixelRatio);
    const height = Math.round(box.height * window.devicePixelRatio);
    if (width !== canvas.width || height !== canvas.height)
      program.setCanvasSize(width, height);
  }

  // Keys the page sees before GLUT, whose listeners come after these.
  function keyDown(event) {
    if (event.key === "Escape" && locked()) {
      // The browser takes this Escape to release the pointer. Chromium and Firefox keep it from
      // the page; WebKit delivers it with the canvas still locked, and GLUT would end velmora.
      event.stopImmediatePropagation();
      event.preventDefault();
      return;
    }
    const onControl = controls.contains(event.target) && event.target.localName === "button";
    if (onControl && (event.key === "Enter" || event.key === " ")) {
      // The focused control's own key: it presses the control, as on any page.
      event.stopImmediatePropagation();
      return;
    }
    gesture();
    if (event.key === "Tab") {
      // Tab reaches the program as on the desktop, and also moves the focus through the controls.
      event.stopImmediatePropagation();
      press(9);
    }
  }

  // A finger or a pen on the canvas steers the picture as the locked pointer does; a second one
  // stops that until all are lifted. Pointer events carry it in every browser: Firefox gives no
  // touch events at all where it knows of no touch screen, but reports touches as pointers.
  function steer(event) {
    if (event.pointerType === "mouse" || ended)
      return;
    if (event.type === "pointerdown") {
      down.add(event.pointerId);
      const only = down.size === 1 && event.target === canvas;
      finger = only ? { id: event.pointerId, x: event.clientX, y: event.clientY } : null;
    } else if (event.type === "pointermove") {
      if (finger?.id === event.pointerId) {
        moved(event.clientX - finger.x, event.clientY - finger.y);
        finger.x = event.clientX;
        finger.y = event.clientY;
      }
    } else {
      down.delete(event.pointerId);
      if (finger?.id === event.pointerId)
        finger = null;
    }
  }

  // No touch reaches GLUT, which turns touches into mouse events and calls preventDefault in
  // listeners the browser made passive: an error logged for each.
  function touch(event) {
    event.stopImmediatePropagation();
    if (ended || event.target !== canvas)
      return;
    // No scrolling, zooming or emulated mouse events from a touch on the picture.
    if (event.cancelable)
      event.preventDefault();
    if (event.type === "touchend")
      gesture();
  }

  // The controls: each key control gives the program its key; using one with a pointer or a finger
  // hands the keyboard's focus back to the canvas, so that Space and Enter reach the program.
  function wireControls() {
    controls.hidden = false;
    for (const button of controls.querySelectorAll("button[data-key]")) {
      button.addEventListener("click", (event) => {
        if (ended)
          return;
        gesture();
        press(Number(button.dataset.key));
        if (event.detail > 0)
          canvas.focus({ preventScroll: true });
      });
    }
    const fullScreen = document.getElementById("full-screen");
    fullScreen.hidden = !askFullScreen;
    fullScreen.addEventListener("click", toggleFullScreen);
    for (const type of ["fullscreenchange", "webkitfullscreenchange"])
      document.addEventListener(type, () => fullScreen.setAttribute("aria-pressed", String(!!fullScreenElement())));
    const fold = document.getElementById("fold");
    fold.addEventListener("click", () => {
      const folded = controls.classList.toggle("folded");
      fold.setAttribute("aria-expanded", String(!folded));
      fold.textContent = folded ? "Show keys" : "Hide keys";
    });
  }

  function start(given) {
    program = given;
    canvas = program.canvas;
    controls = document.getElementById("controls");
    // Until a window size is asked for, the canvas is as large as the browser's window, in device
    // pixels: the screen GLUT reports to a page.
    program.setCanvasSize(Math.round(window.innerWidth * window.devicePixelRatio),
      Math.round(window.innerHeight * window.devicePixelRatio));
    window.addEventListener("mousemove", (event) => {
      // Movement never reaches GLUT, which would report each one an event late, and an unlocked
      // pointer's place on the page as if it were an offset from the centre.
      event.stopImmediatePropagation();
      if (!ended && locked() && event.buttons === 0 && (event.movementX || event.movementY))
        moved(event.movementX, event.movementY);
    }, true);
    for (const type of ["keydown", "keyup", "mousedown", "mouseup", "wheel", "mousewheel"]) {
      window.addEventListener(type, (event) => {
        if (ended)
          event.stopImmediatePropagation();
        else if (type === "keydown")
          keyDown(event);
      }, true);
    }
    for (const type of ["touchstart", "touchmove", "touchend", "touchcancel"])
      window.addEventListener(type, touch, { capture: true, passive: false });
    for (const type of ["pointerdown", "pointermove", "pointerup", "pointercancel"])
      window.addEventListener(type, steer, true);
    canvas.addEventListener("click", (event) => {
      if (ended)
        return;
      // A tap where touches give no touch events (Firefox) is a click too: no pointer to lock.
      if (!locked() && event.pointerType !== "touch" && event.pointerType !== "pen")
        settle(canvas.requestPointerLock());
      gesture();
    });
    wireControls();
    // The windowed picture follows its drawing buffer, the browser's window, the controls' height
    // and the device scale.
    new MutationObserver(fitWindowed).observe(canvas, { attributes: true, attributeFilter: ["width", "height"] });
    new ResizeObserver(fitWindowed).observe(controls);
    window.addEventListener("resize", fitWindowed);
    onScaleChange(fitWindowed);
  }

  function fillWindow() {
    fillsWindow = true;
    wantsFullScreen = true;
    canvas.classList.add("fills-window");
    canvas.style.removeProperty("--width");
    canvas.style.removeProperty("--height");
    new ResizeObserver(fitWindow).observe(canvas);
    onScaleChange(fitWindow);
    fitWindow();
  }

  function end() {
    ended = true;
    document.getElementById("controls").hidden = true;
    if (document.pointerLockElement)
      document.exitPointerLock();
    if (fullScreenElement())
      settle(leaveFullScreen.call(document));
  }

  return { start, fillWindow, end };
})();
