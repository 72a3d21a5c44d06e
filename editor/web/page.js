// gridwright in a web page. The editor's core, compiled to WebAssembly (gridwright.js and
// gridwright.wasm), does everything the desktop editor does; this script is its window: it builds
// the menu bar from the core's own menu description, hands mouse, keyboard and menu events to the
// core one at a time, paints what the core hands back onto the canvas, shows the input box and
// the failure messages, carries map files between the user's disk and the core's in-memory file
// system, and cells between the core and the browser's clipboard. Nothing is sent anywhere: the
// page works from a folder of static files.
'use strict';

(() => {
  // The map file the page opens at start, served beside the page.
  const SAMPLE_MAP = 'sample.qmap';
  // The core's files live in this folder of its in-memory file system, under their own names.
  const MAP_FOLDER = '/maps';
  // The largest map file the page holds. A desktop map may reach 2 GiB, which a browser tab
  // cannot keep in memory; a save beyond this fails with the system's "File too large".
  const LARGEST_MAP = 64 * 1024 * 1024;
  const EFBIG = 22;  // the core's error number for "File too large"
  // Cells with their colours on the clipboard (window_services.h: kCellsClipboardType). A browser
  // takes a type of its own only as a web custom format, under this name.
  const CELLS_TYPE = 'web application/x-gridwright-cells';
  // The editor's recovery journals: the core writes them into this in-memory folder, and the
  // page mirrors each tab's own into a folder of its own under JOURNALS in the origin's private
  // file system, marked as owned by the tab's Web Lock for as long as the tab lives.
  const JOURNAL_FOLDER = '/journal';
  const JOURNALS = 'gridwright-journals';
  const LOCK_PREFIX = 'gridwright-journal-';
  // Files of the core's own that need no keeping: its owner mark (the lock stands for it in the
  // page) and the temporary file a journal is written through before its rename.
  const UNKEPT = ['.owner', '.tmp'];

  const canvas = document.getElementById('surface');
  const captionBar = document.getElementById('caption');
  const menuBar = document.getElementById('menu-bar');
  const notice = document.getElementById('notice');
  const inputBox = document.getElementById('input-box');
  const inputPrompt = document.getElementById('input-prompt');
  const inputAnswer = document.getElementById('input-answer');
  const messageBox = document.getElementById('message');
  const messageText = document.getElementById('message-text');
  const upload = document.getElementById('upload');

  let core = null;           // the Emscripten module, once it runs
  let width = 800;           // the surface's size in pixels, as the core gives it
  let height = 450;
  let scale = 1;             // canvas pixels per surface pixel, the editor's zoom
  let picture = null;        // the surface at one canvas pixel per surface pixel
  let started = false;
  let ended = false;
  let busy = false;          // a command is running: its input box may be waiting for the user
  let scaleChanged = false;  // the device pixel ratio changed and the editor was not told yet
  let pressedOnSurface = false;  // a button went down on the surface and is still held
  const messages = [];       // failure messages not yet shown
  const handles = new Map(); // file name -> the file on disk it came from (File System Access)
  const commands = {};       // control name ("mnuWorldLoad") -> command number
  const itemsByCommand = new Map();
  const menus = [];          // {element, heading, items, access}
  // Clipboard reads and writes run one after another, so a Paste never overtakes the Copy before
  // it; pastes waiting for the browser's clipboard or for the core to take events.
  let clipboardQueue = Promise.resolve();
  let pendingPastes = 0;
  // Which way the last Copy and Paste went, for scripts that drive the page: the write 'both'
  // (text and cells on the browser's clipboard), 'text' (no custom format there) or 'page' (the
  // browser refused: only the page has them); the read 'cells', 'text' or 'refused', with the
  // forms the browser gave.
  const clipboardLog = {write: null, reads: []};

  // ---- What the core calls (web_front_end.cpp) ---------------------------------------------

  const services = {
    setCaption(text) {
      document.title = text;
      captionBar.textContent = text;
    },
    setStatus(text) {
      const status = menuBar.querySelector('.status');
      if (status) status.textContent = text;
    },
    showFailure(message) {
      messages.push(message);
      if (!messageBox.open) showNextMessage();
    },
    setMenuEnabled(command, enabled) {
      for (const item of itemsByCommand.get(command) || []) item.disabled = !enabled;
    },
    end() {
      // A page cannot close its own tab; it stops taking events instead, as the program would
      // have ended.
      ended = true;
      closeMenus();
      document.body.classList.add('ended');
      notice.textContent = 'The editor has ended. Reload the page to start it again.';
      window.close();
    },
    setZoom(zoom) {
      scale = zoom;
      fitCanvas();
    },
    setMenuChecked(command, checked) {
      for (const item of itemsByCommand.get(command) || []) {
        item.setAttribute('aria-checked', checked ? 'true' : 'false');
      }
    },
    setCursor(name) {
      canvas.style.cursor = name;
    },
    // The core keeps both forms itself too (web_front_end.cpp), for when the browser refuses.
    writeClipboard(text, cells) {
      queueClipboard(() => writeClipboard(text, cells));
    },
    readClipboard() {
      ++pendingPastes;
      queueClipboard(async () => {
        try {
          await deliverPaste(await readClipboard());
        } finally {
          --pendingPastes;
        }
      });
    },
    paint(pixels, x, y, w, h) {
      const bytes = new Uint8ClampedArray(core.HEAPU8.buffer, pixels, width * height * 4);
      picture.getContext('2d').putImageData(new ImageData(bytes, width, height), 0, 0, x, y, w, h);
      const context = canvas.getContext('2d');
      context.imageSmoothingEnabled = false;
      context.drawImage(picture, x, y, w, h, x * scale, y * scale, w * scale, h * scale);
    },
    inputBox(prompt, defaultAnswer) {
      return new Promise((resolve) => {
        inputPrompt.textContent = prompt;
        inputAnswer.value = defaultAnswer;
        inputBox.returnValue = '';
        inputBox.addEventListener('close', () => {
          resolve(inputBox.returnValue === 'ok' ? inputAnswer.value : '');
        }, {once: true});
        inputBox.showModal();
        // The default answer starts selected, so typing replaces it.
        inputAnswer.focus();
        inputAnswer.select();
      });
    },
  };

  document.getElementById('input-cancel').addEventListener('click', () => inputBox.close());

  function showNextMessage() {
    if (messages.length === 0) return;
    messageText.textContent = messages.shift();
    messageBox.returnValue = '';
    messageBox.showModal();
  }
  messageBox.addEventListener('close', showNextMessage);

  // ---- The clipboard -----------------------------------------------------------------------

  // One failed step never stops the ones after it.
  function queueClipboard(step) {
    clipboardQueue = clipboardQueue.then(step).catch((error) => console.error(error));
  }

  async function writeClipboard(text, cells) {
    try {
      const forms = {'text/plain': new Blob([text], {type: 'text/plain'})};
      const withCells = typeof ClipboardItem.supports === 'function' &&
                        ClipboardItem.supports(CELLS_TYPE);
      if (withCells) forms[CELLS_TYPE] = new Blob([cells], {type: CELLS_TYPE});
      await navigator.clipboard.write([new ClipboardItem(forms)]);
      clipboardLog.write = withCells ? 'both' : 'text';
    } catch (error) {
      try {
        await navigator.clipboard.writeText(text);
        clipboardLog.write = 'text';
      } catch (refused) {
        clipboardLog.write = 'page';
      }
    }
  }

  // What the browser's clipboard holds: {cells, text} (null for a missing form), or null when
  // the browser refuses to read it (no permission, the page not focused).
  async function readClipboard() {
    try {
      const content = {cells: null, text: null};
      for (const item of await navigator.clipboard.read()) {
        if (content.cells === null && item.types.includes(CELLS_TYPE)) {
          content.cells = await (await item.getType(CELLS_TYPE)).text();
        }
        if (content.text === null && item.types.includes('text/plain')) {
          content.text = await (await item.getType('text/plain')).text();
        }
      }
      return content;
    } catch (error) {
      try {
        return {cells: null, text: await navigator.clipboard.readText()};
      } catch (refused) {
        return null;
      }
    }
  }

  // Hands the clipboard to the core once it takes events: never while a command waits for its
  // input box.
  async function deliverPaste(content) {
    clipboardLog.reads.push(content === null ? {how: 'refused'}
      : {how: content.cells !== null ? 'cells' : 'text', cells: content.cells,
         text: content.text});
    while (started && !ended && (busy || inputBox.open)) {
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
    if (!started || ended) return;
    // The texts go as UTF-8 with their lengths: a NUL in another program's text stays in it.
    const strings = [content?.cells ?? '', content?.text ?? ''];
    const pointers = strings.map((text) => {
      const bytes = new TextEncoder().encode(text);
      const at = core._malloc(bytes.length + 1);
      core.HEAPU8.set(bytes, at);
      return [at, bytes.length];
    });
    try {
      core._gw_paste_clipboard(content === null ? 0 : 1, content?.cells != null ? 1 : 0,
                               pointers[0][0], pointers[0][1], content?.text != null ? 1 : 0,
                               pointers[1][0], pointers[1][1]);
    } finally {
      for (const [at] of pointers) core._free(at);
    }
  }

  // ---- The recovery journal ---------------------------------------------------------------

  // The core writes its journal through the in-memory file system, synchronously; each change
  // there is copied into the browser's storage right after, one copy after another, so the
  // storage always holds a whole journal (a writable replaces its file only on close).
  const journal = {
    folder: null,       // this tab's folder of the private file system; null: no storage
    tab: null,          // this tab's name for its folder and lock
    node: null,         // the in-memory folder
    queue: Promise.resolve(),
    dirty: false,       // the in-memory folder changed since its last copy
    imported: new Map(),  // in-memory name -> {folder, name} it was copied from, during a Recover
    log: [],            // storage failures, for scripts that drive the page
  };

  // A failure to keep the journal (the browser's storage full, or taken away) is told once, as
  // the desktop editor tells a journal it cannot write.
  function queueStorage(step) {
    journal.queue = journal.queue.then(step).catch((error) => {
      journal.log.push(String(error));
      if (journal.log.length === 1) {
        services.showFailure('Could not keep the edits for recovery in the browser\'s storage: ' +
                             `${error.message || error}.`);
      }
    });
  }

  function kept(name) {
    return !UNKEPT.some((suffix) => name.endsWith(suffix));
  }

  // Copies this tab's own files from the in-memory folder to its storage folder, and removes
  // the stored ones the core removed. Changes while a copy runs are copied by the next.
  function journalChanged() {
    if (journal.dirty || !journal.folder) return;
    journal.dirty = true;
    queueStorage(async () => {
      journal.dirty = false;
      const own = new Map();
      for (const name of core.FS.readdir(JOURNAL_FOLDER)) {
        if (name === '.' || name === '..' || !kept(name) || journal.imported.has(name)) continue;
        if (name.startsWith(importPrefix(''))) continue;
        own.set(name, core.FS.readFile(`${JOURNAL_FOLDER}/${name}`));
      }
      for (const [name, bytes] of own) await storeFile(journal.folder, name, bytes);
      for await (const name of journal.folder.keys()) {
        if (!own.has(name)) await journal.folder.removeEntry(name);
      }
    });
  }

  async function storeFile(folder, name, bytes) {
    const writable = await (await folder.getFileHandle(name, {create: true})).createWritable();
    await writable.write(bytes);
    await writable.close();
  }

  // Every write, rename and removal in the journal folder reaches the page.
  function watchJournalFolder(FS) {
    journal.node = FS.lookupPath(JOURNAL_FOLDER).node;
    const files = FS.filesystems.MEMFS.ops_table.file.stream;
    const write = files.write;
    files.write = function (stream, ...rest) {
      const written = write.call(this, stream, ...rest);
      if (stream.node.parent === journal.node) journalChanged();
      return written;
    };
    const folders = FS.filesystems.MEMFS.ops_table.dir.node;
    const rename = folders.rename;
    folders.rename = function (node, newFolder, newName) {
      const from = node.parent;
      const result = rename.call(this, node, newFolder, newName);
      if (from === journal.node || newFolder === journal.node) journalChanged();
      return result;
    };
    const unlink = folders.unlink;
    folders.unlink = function (parent, name) {
      const result = unlink.call(this, parent, name);
      if (parent === journal.node) journalChanged();
      return result;
    };
  }

  // Holds the lock `name` if no tab holds it: the release, or null.
  function holdLock(name, options) {
    return new Promise((granted) => {
      navigator.locks.request(name, options, (lock) => {
        if (!lock) {
          granted(null);
          return undefined;
        }
        return new Promise((release) => granted(release));
      }).catch(() => granted(null));
    });
  }

  // The tab's folder in storage and the lock that marks it as the tab's, held until the tab
  // goes, however it goes. False when the browser keeps no such storage for the page (no
  // secure context, or a browser without the APIs): the editor then keeps no journal.
  async function openJournal() {
    if (!navigator.storage?.getDirectory || !navigator.locks?.request) return false;
    try {
      const root = await navigator.storage.getDirectory();
      journal.root = await root.getDirectoryHandle(JOURNALS, {create: true});
      journal.tab = (crypto.randomUUID ? crypto.randomUUID()
        : `${Date.now()}-${Math.random().toString(16).slice(2)}`);
      if (!await holdLock(LOCK_PREFIX + journal.tab, {mode: 'exclusive'})) return false;
      journal.folder = await journal.root.getDirectoryHandle(journal.tab, {create: true});
    } catch (error) {
      journal.log.push(String(error));
      return false;
    }
    return true;
  }

  function importPrefix(tab) {
    return `~${tab}`;
  }

  // File > Recover: the journals of the tabs that are gone (their locks free) are copied into
  // the in-memory folder, where the core picks the most recent; each such tab's lock is held
  // meanwhile, so two tabs never recover the same journal. Afterwards what the core did to them
  // (taken, or set aside as unreadable) is done to the stored files, and the copies go.
  async function recover(command) {
    busy = true;
    const releases = [];
    try {
      await journal.queue;
      for await (const [tab, folder] of journal.root.entries()) {
        if (tab === journal.tab || folder.kind !== 'directory') continue;
        const release = await holdLock(LOCK_PREFIX + tab, {mode: 'exclusive', ifAvailable: true});
        if (!release) continue;  // its tab is open
        releases.push(release);
        let files = 0;
        for await (const [name, handle] of folder.entries()) {
          if (handle.kind !== 'file') continue;
          ++files;
          const file = await handle.getFile();
          const copy = importPrefix(tab) + name;
          const path = `${JOURNAL_FOLDER}/${copy}`;
          core.FS.writeFile(path, new Uint8Array(await file.arrayBuffer()));
          // The core takes the most recently written journal.
          core.FS.utime(path, file.lastModified, file.lastModified);
          journal.imported.set(copy, {folder, name});
        }
        if (files === 0) await journal.root.removeEntry(tab, {recursive: true});
      }
    } catch (error) {
      journal.log.push(String(error));
    } finally {
      busy = false;
    }
    try {
      await callCore('gw_invoke', ['number'], [command]);
    } finally {
      settleImported();
      queueStorage(async () => {
        for (const release of releases) release();
      });
    }
  }

  function settleImported() {
    const names = core.FS.readdir(JOURNAL_FOLDER);
    const steps = [];
    for (const [copy, from] of journal.imported) {
      if (!names.includes(copy)) steps.push(() => from.folder.removeEntry(from.name));
    }
    // Files the core made of a copy (a journal set aside) are kept beside the journal's origin.
    for (const name of names) {
      const origin = [...journal.imported].find(([copy]) => name !== copy && name.startsWith(copy));
      if (!origin || !kept(name) || journal.imported.has(name)) continue;
      const bytes = core.FS.readFile(`${JOURNAL_FOLDER}/${name}`);
      const stored = origin[1].name + name.slice(origin[0].length);
      steps.unshift(() => storeFile(origin[1].folder, stored, bytes));
    }
    journal.imported.clear();
    for (const name of names) {
      if (name.startsWith(importPrefix(''))) core.FS.unlink(`${JOURNAL_FOLDER}/${name}`);
    }
    queueStorage(async () => {
      for (const step of steps) await step().catch((error) => journal.log.push(String(error)));
    });
  }

  // ---- The surface -------------------------------------------------------------------------

  // Sizes the canvas so that each surface pixel is `scale` x `scale` device pixels, whatever the
  // device's pixel ratio (and the browser's zoom), and paints it again.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    canvas.width = width * scale;
    canvas.height = height * scale;
    canvas.style.width = `${(width * scale) / ratio}px`;
    canvas.style.height = `${(height * scale) / ratio}px`;
    const context = canvas.getContext('2d');
    context.imageSmoothingEnabled = false;
    context.drawImage(picture, 0, 0, width, height, 0, 0, width * scale, height * scale);
  }

  // The device pixel ratio changes with the browser's zoom and between monitors: the canvas
  // keeps whole device pixels, and the editor's zoom follows the display as on the desktop.
  function watchPixelRatio() {
    const ratio = window.devicePixelRatio || 1;
    matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', () => {
      fitCanvas();
      scaleChanged = true;
      tellScaleChange();
      watchPixelRatio();
    }, {once: true});
  }

  // Told between commands: never while one waits for its input box.
  function tellScaleChange() {
    if (!scaleChanged || !started || ended || busy) return;
    scaleChanged = false;
    core._gw_display_scale_changed();
  }

  function takesEvents() {
    return started && !ended && !busy && !inputBox.open && !messageBox.open;
  }

  // Delivers a mouse event: kind 0 a press, 1 a move, 2 a release.
  function deliverMouse(kind, event) {
    const box = canvas.getBoundingClientRect();
    core._gw_mouse(kind, event.button, event.buttons, event.shiftKey, event.ctrlKey,
                   event.altKey, event.clientX - box.left, event.clientY - box.top, box.width,
                   box.height);
  }

  canvas.addEventListener('mousedown', (event) => {
    event.preventDefault();  // no text selection, no middle-button scrolling
    if (!takesEvents()) return;
    closeMenus();
    pressedOnSurface = true;
    deliverMouse(0, event);
  });
  // While a button is held after a press on the surface, moves and releases outside it still
  // reach the editor, as they do on the desktop.
  window.addEventListener('mousemove', (event) => {
    if (!takesEvents() || (event.target !== canvas && !pressedOnSurface)) return;
    deliverMouse(1, event);
  });
  window.addEventListener('mouseup', (event) => {
    const fromSurface = pressedOnSurface || event.target === canvas;
    if (event.buttons === 0) pressedOnSurface = false;
    if (!takesEvents() || !fromSurface) return;
    deliverMouse(2, event);
  });
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  // Off the canvas with no button held, a Paste lands on the board's top-left cell.
  canvas.addEventListener('mouseleave', (event) => {
    if (takesEvents() && event.buttons === 0) core._gw_pointer_left();
  });

  // ---- The menu bar, from the core's description -------------------------------------------

  // A caption with its access letter underlined.
  function captionElement(item) {
    const span = document.createElement('span');
    const at = item.access;
    if (at < 0) {
      span.textContent = item.caption;
    } else {
      const letter = document.createElement('u');
      letter.textContent = item.caption[at];
      span.append(item.caption.slice(0, at), letter, item.caption.slice(at + 1));
    }
    return span;
  }

  function accessLetter(item) {
    return item.access < 0 ? '' : item.caption[item.access].toLowerCase();
  }

  function buildMenuBar(description) {
    for (const top of description) {
      if (top.items.length === 0) {
        // A plain item: the status item, whose caption the core sets.
        const status = document.createElement('span');
        status.className = 'status';
        status.textContent = top.caption;
        menuBar.append(status);
        continue;
      }
      const element = document.createElement('div');
      element.className = 'menu';
      element.dataset.name = top.name;
      const heading = document.createElement('button');
      heading.className = 'heading';
      heading.setAttribute('aria-haspopup', 'menu');
      heading.append(captionElement(top));
      const list = document.createElement('div');
      list.className = 'items';
      list.setAttribute('role', 'menu');
      const menu = {element, heading, items: [], access: accessLetter(top)};
      for (const entry of top.items) {
        const item = document.createElement('button');
        item.className = 'item';
        item.setAttribute('role', 'menuitem');
        item.dataset.name = entry.name;
        const shortcut = document.createElement('span');
        shortcut.className = 'shortcut';
        shortcut.textContent = entry.shortcut;
        if (entry.radio) {
          // A radio item: the mark shows the checked one (setMenuChecked keeps it).
          item.classList.add('radio');
          item.setAttribute('role', 'menuitemradio');
          item.setAttribute('aria-checked', entry.checked ? 'true' : 'false');
        }
        item.append(captionElement(entry), shortcut);
        item.addEventListener('click', () => run(entry.command));
        commands[entry.name] = entry.command;
        if (!itemsByCommand.has(entry.command)) itemsByCommand.set(entry.command, []);
        itemsByCommand.get(entry.command).push(item);
        menu.items.push({element: item, access: accessLetter(entry), command: entry.command});
        list.append(item);
      }
      heading.addEventListener('mousedown', (event) => {
        event.preventDefault();
        if (!takesEvents()) return;
        if (element.classList.contains('open')) closeMenus();
        else openMenu(menu, false);
      });
      heading.addEventListener('mouseenter', () => {
        if (openedMenu() && openedMenu() !== menu) openMenu(menu, false);
      });
      element.append(heading, list);
      menuBar.append(element);
      menus.push(menu);
    }
  }

  function openedMenu() {
    return menus.find((menu) => menu.element.classList.contains('open'));
  }

  function openMenu(menu, focusFirst) {
    closeMenus();
    menu.element.classList.add('open');
    if (focusFirst) menu.items.find((item) => !item.element.disabled)?.element.focus();
  }

  function closeMenus() {
    for (const menu of menus) menu.element.classList.remove('open');
    if (menuBar.contains(document.activeElement)) document.activeElement.blur();
  }

  document.addEventListener('mousedown', (event) => {
    if (!menuBar.contains(event.target)) closeMenus();
  });

  // Keys: an open menu's access letters and arrows, Alt with a menu's letter, and the shortcuts.
  document.addEventListener('keydown', (event) => {
    if (!takesEvents()) return;
    const menu = openedMenu();
    if (menu) {
      const focusable = menu.items.filter((item) => !item.element.disabled);
      const at = focusable.findIndex((item) => item.element === document.activeElement);
      if (event.key === 'Escape') {
        closeMenus();
      } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
        const step = event.key === 'ArrowDown' ? 1 : -1;
        const next = focusable[(at + step + focusable.length) % focusable.length];
        next?.element.focus();
      } else if (event.key === 'ArrowLeft' || event.key === 'ArrowRight') {
        const step = event.key === 'ArrowRight' ? 1 : -1;
        openMenu(menus[(menus.indexOf(menu) + step + menus.length) % menus.length], true);
      } else if (!event.ctrlKey && event.key.length === 1) {
        const chosen = focusable.find((item) => item.access === event.key.toLowerCase());
        if (chosen) run(chosen.command);
      } else {
        return;
      }
      event.preventDefault();
      return;
    }
    if (event.altKey && !event.ctrlKey && event.key.length === 1) {
      const chosen = menus.find((candidate) => candidate.access === event.key.toLowerCase());
      if (chosen) {
        event.preventDefault();
        openMenu(chosen, true);
        return;
      }
    }
    const command = core.ccall('gw_shortcut', 'number',
                               ['string', 'string', 'number', 'number', 'number'],
                               [event.key, event.code, event.ctrlKey, event.shiftKey,
                                event.altKey]);
    if (command === 0) {
      // Every other key goes to the core: named keys (Escape, the arrows, Backspace, Enter,
      // Delete, Tab, Page Up and Down) and typed characters (text at the caret, a tool's letter).
      // One it takes loses the browser's meaning (scrolling, going back, Tab's focus move).
      if (event.isComposing) return;
      const taken = core.ccall('gw_key', 'number',
                               ['string', 'number', 'number', 'number', 'number', 'number'],
                               [event.key, event.shiftKey, event.ctrlKey, event.altKey,
                                event.metaKey, event.getModifierState('AltGraph')]);
      if (taken) event.preventDefault();
      return;
    }
    // The browser's own meaning of the keys (open a file, save the page) gives way.
    event.preventDefault();
    const items = itemsByCommand.get(command) || [];
    if (items.length > 0 && items.every((item) => !item.disabled)) run(command);
  });

  // ---- Commands ----------------------------------------------------------------------------

  // Runs a menu command. One with an input box keeps the page busy until the box is answered.
  async function run(command) {
    if (!takesEvents()) return;
    closeMenus();
    if (command === commands.mnuWorldLoad) {
      await pickMapFile();
      return;
    }
    if (command === commands.mnuFileRecover && journal.folder) {
      await recover(command);
      return;
    }
    const failures = core._gw_failures();
    await callCore('gw_invoke', ['number'], [command]);
    if (command === commands.mnuFileSaveGame && core._gw_failures() === failures) {
      await deliverSavedFile();
    }
  }

  async function callCore(name, types, values) {
    busy = true;
    try {
      await core.ccall(name, null, types, values, {async: true});
    } finally {
      busy = false;
    }
    tellScaleChange();
  }

  function mapFileName() {
    return core.UTF8ToString(core._gw_map_file_name());
  }

  // File > Open: the user picks a file; the core names it for the next Save and Level Select,
  // as its own Open does with a typed name. With the File System Access API, Save writes back
  // into the picked file; otherwise the file is uploaded and Save offers a download.
  async function pickMapFile() {
    if (!window.showOpenFilePicker) {
      upload.value = '';
      upload.click();  // continues in the change event
      return;
    }
    let handle;
    try {
      [handle] = await window.showOpenFilePicker({id: 'quorix-maps'});
    } catch (error) {
      if (error.name !== 'AbortError') services.showFailure(`Could not open a map file: ${error.message}.`);
      return;
    }
    await openFile(handle);
  }

  upload.addEventListener('change', () => {
    if (upload.files.length > 0 && takesEvents()) openFile(upload.files[0]);
  });

  // Opens a File, or a FileSystemFileHandle that Save writes back to.
  async function openFile(source) {
    const handle = source instanceof File ? null : source;
    let file;
    try {
      file = handle ? await handle.getFile() : source;
      if (file.size > LARGEST_MAP) {
        services.showFailure(`Could not open "${file.name}": it is larger than the ` +
                             `${LARGEST_MAP / 1048576} MiB that the page can hold.`);
        return;
      }
      core.FS.writeFile(file.name, new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      services.showFailure(`Could not open "${source.name}": ${error.message}.`);
      return;
    }
    handles.set(file.name, handle);
    await callCore('gw_open_named', ['string'], [file.name]);
  }

  // After a Save: the whole map file goes back to the disk, into the picked file where the
  // browser allows it, as a download otherwise. If writing back fails, the download still
  // carries the edits.
  async function deliverSavedFile() {
    const name = mapFileName();
    const bytes = core.FS.readFile(name);
    const handle = handles.get(name);
    if (handle) {
      try {
        const writable = await handle.createWritable();
        await writable.write(bytes);
        await writable.close();
        return;
      } catch (error) {
        services.showFailure(`Could not write "${name}" back to its file: ${error.message}. ` +
                             'It is offered as a download instead.');
      }
    }
    const url = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  // ---- Start -------------------------------------------------------------------------------

  // The sample map is fetched while the module loads.
  const sample = fetch(SAMPLE_MAP).then((response) => {
    if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
    return response.arrayBuffer();
  });
  sample.catch(() => {});

  // A save past LARGEST_MAP fails as a full disk would, instead of exhausting the tab's memory.
  function limitMapSize(FS) {
    // The operations that every file of the in-memory file system shares.
    const files = FS.filesystems.MEMFS.ops_table.file.stream;
    const write = files.write;
    files.write = function (stream, buffer, offset, length, position, canOwn) {
      const at = position ?? stream.position;
      if (at + length > LARGEST_MAP) throw new FS.ErrnoError(EFBIG);
      return write.call(this, stream, buffer, offset, length, position, canOwn);
    };
  }

  async function start(module) {
    core = module;
    width = core._gw_surface_width();
    height = core._gw_surface_height();
    picture = document.createElement('canvas');
    picture.width = width;
    picture.height = height;
    fitCanvas();
    watchPixelRatio();
    limitMapSize(core.FS);
    core.FS.mkdir(MAP_FOLDER);
    core.FS.chdir(MAP_FOLDER);
    if (await openJournal()) {
      core.FS.mkdir(JOURNAL_FOLDER);
      watchJournalFolder(core.FS);
      core.ccall('gw_set_recovery_folder', null, ['string'], [JOURNAL_FOLDER]);
    }
    buildMenuBar(JSON.parse(core.UTF8ToString(core._gw_menu_bar())));
    let argument = '';
    try {
      core.FS.writeFile(SAMPLE_MAP, new Uint8Array(await sample));
      argument = SAMPLE_MAP;
    } catch (error) {
      messages.push(`The sample map could not be loaded (${error.message}); ` +
                    'File > Open picks a map file.');
    }
    started = true;
    consumeLaunches();
    notice.textContent = 'Map files stay on this computer: nothing is sent anywhere.';
    core.ccall('gw_start', null, ['string'], [argument]);
    if (!messageBox.open) showNextMessage();
    // The frame after the one that showed the loaded surface.
    requestAnimationFrame(() => requestAnimationFrame(() => {
      window.gridwright.firstFrame = performance.now();
    }));
  }

  // Installed, the page opens the .qmap files the system hands it (the manifest's file
  // handler) as picked files, once the editor takes events.
  function consumeLaunches() {
    if (!('launchQueue' in window)) return;
    window.launchQueue.setConsumer(async (launch) => {
      for (const handle of launch.files || []) {
        while (!takesEvents() && !ended) await new Promise((resolve) => setTimeout(resolve, 50));
        if (ended) return;
        await openFile(handle);
      }
    });
  }

  // The service worker keeps the site's files, so the page opens without the server after one
  // visit. A page opened from a file, or in a browser without workers, runs as before.
  function keepOffline() {
    if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
    navigator.serviceWorker.register('sw.js').catch((error) => console.error(error));
  }

  function startFailed(why) {
    notice.textContent = `The editor could not start: ${why}. Serve this folder over HTTP ` +
                         '(for example with python3 -m http.server in it) and open that address.';
  }

  // For scripts that drive the page (its end-to-end test): when the first frame was shown, open
  // a file handle as a picked file, whether the editor waits for events (no paste pending), and
  // which way the clipboard went.
  window.gridwright = {
    firstFrame: null,
    open: openFile,
    get idle() {
      return takesEvents() && pendingPastes === 0;
    },
    clipboard: clipboardLog,
    // The journal's storage: this tab's name for it, its failures, and whether every copy into
    // it has ended.
    journal: {
      get tab() {
        return journal.tab;
      },
      failures: journal.log,
      settled: () => journal.queue.then(() => !journal.dirty),
    },
  };

  keepOffline();

  window.Module = {
    page: services,
    onRuntimeInitialized() {
      start(window.Module).catch((error) => startFailed(error.message));
    },
    onAbort(what) {
      startFailed(String(what));
    },
  };
})();
