// velmora: the pose in the page's address. While velmora runs, the address's fragment holds
// "#pose=" and the program's pose (app/platform_web.cpp offers it as Module.velmoraPose), so the
// address bar, copied at any moment, opens what is on screen; "Copy link" copies that address, and
// "Start again" (web/page/load.js reloads the address) starts from it, as does a new fragment put
// into the address bar.
"use strict";
(() => {
  // At most this many milliseconds between updates of the address: a few a second.
  const every = 250;
  const button = document.getElementById("copy-link");
  const said = document.getElementById("link-copied");
  let written = null;  // the pose the address holds, once this page has written one

  // The program's pose, or null before it runs.
  const pose = () => (typeof Module === "object" && Module.velmoraPose ? Module.velmoraPose() : null);

  // Puts the program's pose in the address when it has changed. replaceState adds no history
  // entry and keeps the query string (MODE, NOFS).
  function update() {
    const text = pose();
    if (text === null || text === written)
      return;
    written = text;
    history.replaceState(history.state, "", "#pose=" + text);
  }
  setInterval(update, every);
  // The last update: the page hidden (another tab, the browser minimised) or left, or the program ended.
  document.addEventListener("visibilitychange", () => { if (document.hidden) update(); });
  window.addEventListener("pagehide", update);
  window.addEventListener("velmoraposeend", update);
  // replaceState fires no hashchange: this one is the user's, a link pasted into the address bar or
  // a step back. The browser only scrolls for a new fragment, and the next update would overwrite
  // it; a reload starts the program from the pose it names.
  window.addEventListener("hashchange", () => location.reload());

  // Where the clipboard API is missing (a page served over plain HTTP from another machine is not a
  // secure context) or refuses, the older copy command of a selected text field.
  function copyBySelection(text) {
    const field = document.createElement("textarea");
    field.value = text;
    field.setAttribute("readonly", "");
    field.style.position = "fixed";
    field.style.opacity = "0";
    document.body.append(field);
    field.select();
    const copied = document.execCommand("copy");
    field.remove();
    if (!copied)
      throw new Error("the copy command was refused");
  }

  button.addEventListener("click", async () => {
    // Focus goes back to the page, where the keys reach the program; a key must not press the button again.
    button.blur();
    update();
    const link = location.href;
    try {
      try {
        await navigator.clipboard.writeText(link);
      } catch {
        copyBySelection(link);
      }
      said.textContent = "Link copied: whoever opens it sees this picture.";
    } catch {
      said.textContent = "Could not copy here; the link is the page's address: " + link;
    }
  });
})();
