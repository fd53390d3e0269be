// The page around the game: the canvas, its size and its input, the Escape control, the
// error dialog, the end screen, the record's storage and the one-game-per-profile lock.
// Prepended to the compiled game.
var frothyPage = (function () {
  var canvas = document.getElementById('canvas');  // as large as the game's client area
  var ctx = canvas.getContext('2d', { alpha: false });
  var audioUnlocked = false;
  var dragging = false;
  var page = {
    state: 'loading',    // loading, waiting (another tab plays), running, ending (the last
                         // writes under way), ended, failed
    title: 'Frothy',     // the error dialog's
    firstFrameMs: null,  // performance.now() of the first frame on the canvas
    errors: [],
    notices: [],
    storageless: false,  // the browser keeps nothing for the page: times last for the visit
    saves: 0             // saves that reached a storage, for the tests
  };
  function $(id) { return document.getElementById(id); }

  // ---- The record ----------------------------------------------------------------------------
  // The 204 bytes live twice: in localStorage, written synchronously, so a save as the page
  // closes is kept; and in IndexedDB. Each copy carries a sequence number: at start-up the
  // newer copy wins.
  var KEY = 'frothy-record';
  var recordSize = 0;     // the record's bytes, as the game asks for them
  var local = false;      // localStorage takes writes
  var idb = null;         // the open database
  var idbCopy = null;     // { seq, bytes } as read at start-up
  var legacyRaw = null;   // the record an earlier build kept in its IndexedDB file system
  var legacyCopy = null;
  var lastSeq = 0;
  var pendingWrites = 0;
  var afterWrites = [];
  // The newest save went to IndexedDB alone, and its write failed: the times are not kept.
  var newestLost = false;
  // A write to IndexedDB alone failed and was told: told again only after a save has worked.
  var toldFailing = false;
  var NO_STORAGE = 'This browser keeps no storage for this page: your times last until the ' +
                   'page is closed.';

  function hex(bytes) {
    var s = '';
    for (var i = 0; i < bytes.length; ++i) s += (bytes[i] < 16 ? '0' : '') + bytes[i].toString(16);
    return s;
  }
  function unhex(s) {
    if (typeof s !== 'string' || s.length !== recordSize * 2 || /[^0-9a-f]/.test(s)) return null;
    var b = new Uint8Array(recordSize);
    for (var i = 0; i < recordSize; ++i) b[i] = parseInt(s.substr(i * 2, 2), 16);
    return b;
  }
  function wholeBytes(b) {
    return b && b.length === recordSize ? new Uint8Array(b) : null;
  }
  // Why a storage refused, in words: never the object's own name.
  function reason(e) {
    var name = e && typeof e.name === 'string' ? e.name : '';
    if (name === 'QuotaExceededError') return "the browser's storage for this page is full.";
    if (name === 'SecurityError') return 'the browser keeps no storage for this page.';
    return "the browser's storage failed" + (name ? ' (' + name + ').' : '.');
  }
  function readLocal() {
    if (!local) return null;
    var text;
    try { text = localStorage.getItem(KEY); } catch (e) { return null; }
    if (text === null) return null;
    try {
      var o = JSON.parse(text);
      return { seq: Number(o.seq) || 0, bytes: unhex(o.record) };
    } catch (e) {
      return { seq: 0, bytes: null };
    }
  }

  // The newest whole copy of `size` bytes; null before the first save; throws when only damaged
  // copies exist.
  page.loadRecord = function (size) {
    recordSize = size;
    if (idbCopy) idbCopy.bytes = wholeBytes(idbCopy.raw);
    legacyCopy = wholeBytes(legacyRaw);
    var copies = [readLocal(), idbCopy].filter(Boolean);
    copies.forEach(function (c) { lastSeq = Math.max(lastSeq, c.seq); });
    var whole = copies.filter(function (c) { return c.bytes; });
    whole.sort(function (a, b) { return b.seq - a.seq; });
    if (whole.length) return whole[0].bytes;
    if (copies.length) {
      throw new Error('The times this browser kept for the game are damaged; the game goes on ' +
                      'with a fresh record.');
    }
    return legacyCopy;
  };

  function written() {
    if (--pendingWrites > 0) return;
    var calls = afterWrites;
    afterWrites = [];
    calls.forEach(function (f) { f(); });
  }
  function whenWritten(f) {
    if (pendingWrites === 0) f(); else afterWrites.push(f);
  }

  // "" when the times are kept, or are being written, else why not. A write that fails later
  // is told through the game (Module._frothy_save_failed), as a save that fails at once is; the
  // end screen waits for the writes.
  page.saveRecord = function (bytes) {
    bytes = new Uint8Array(bytes);
    var stored = readLocal();
    var seq = Math.max(lastSeq, stored ? stored.seq : 0) + 1;
    lastSeq = seq;
    newestLost = false;
    var why = '';
    var kept = false;
    if (local) {
      try {
        localStorage.setItem(KEY, JSON.stringify({ seq: seq, record: hex(bytes) }));
        kept = true;
        toldFailing = false;
      } catch (e) {
        why = reason(e);
      }
    }
    if (idb) {
      try {
        var tx = idb.transaction(['record'], 'readwrite');
        tx.objectStore('record').put({ seq: seq, bytes: bytes }, 'b_data.dat');
        var keptLocally = kept;
        pendingWrites++;
        tx.oncomplete = function () {
          if (!keptLocally) toldFailing = false;
          written();
        };
        // A failure matters only when the synchronous copy did not keep the times either.
        tx.onabort = function () {
          if (!keptLocally) {
            if (seq === lastSeq) newestLost = true;
            if (!toldFailing) {
              toldFailing = true;
              Module.ccall('frothy_save_failed', null, ['string'],
                           ['The times could not be saved: ' + reason(tx.error)]);
            }
          }
          written();
        };
        kept = true;
      } catch (e) {
        if (!why) why = reason(e);
      }
    }
    if (kept) {
      page.saves++;
      return '';
    }
    return why ? 'The times could not be saved: ' + why : NO_STORAGE;
  };

  function notice(text) {
    page.notices.push(text);
    var p = $('notice');
    p.textContent = text;
    p.hidden = false;
    fit();
  }

  // Opens both stores and reads their copies, then `done`. Whatever refuses is left out.
  function openStores(done) {
    try {
      localStorage.setItem('frothy-probe', '1');
      localStorage.removeItem('frothy-probe');
      local = true;
    } catch (e) {
      local = false;
    }
    function finish() {
      page.storageless = !local && !idb;
      if (page.storageless) notice(NO_STORAGE);
      done();
    }
    var req;
    try {
      if (typeof indexedDB === 'undefined' || !indexedDB) { finish(); return; }
      req = indexedDB.open('frothy', 1);
    } catch (e) {
      finish();
      return;
    }
    req.onupgradeneeded = function () { req.result.createObjectStore('record'); };
    req.onerror = function (e) { e.preventDefault(); finish(); };
    req.onsuccess = function () {
      idb = req.result;
      try {
        var get = idb.transaction(['record'], 'readonly').objectStore('record').get('b_data.dat');
        get.onsuccess = function () {
          var v = get.result;
          if (v) idbCopy = { seq: Number(v.seq) || 0, raw: v.bytes, bytes: null };
          readLegacy(finish);
        };
        get.onerror = function (e) { e.preventDefault(); readLegacy(finish); };
      } catch (e) {
        idb = null;
        finish();
      }
    };
  }

  // Builds before this one kept the record in emscripten's IndexedDB file system; it is taken
  // over when neither store holds a record yet. The database is looked for, never made.
  function readLegacy(done) {
    if (idbCopy || readLocal() || !indexedDB.databases) { done(); return; }
    indexedDB.databases().then(function (list) {
      if (!list.some(function (d) { return d.name === '/saved'; })) { done(); return; }
      var req = indexedDB.open('/saved');
      req.onerror = function (e) { e.preventDefault(); done(); };
      req.onsuccess = function () {
        var db = req.result;
        try {
          var get = db.transaction(['FILE_DATA'], 'readonly').objectStore('FILE_DATA')
                      .get('/saved/b_data.dat');
          get.onsuccess = function () {
            if (get.result) legacyRaw = get.result.contents;
            db.close();
            done();
          };
          get.onerror = function (e) { e.preventDefault(); db.close(); done(); };
        } catch (e) {
          db.close();
          done();
        }
      };
    }, function () { done(); });
  }

  // ---- One game per browser profile ----------------------------------------------------------
  // The tab that plays holds the lock for its life. Another tab asks it to stop over the
  // channel; it saves, and lets the lock go only once its writes are done.
  var releaseLock = null;
  var channel = typeof BroadcastChannel === 'function' ? new BroadcastChannel('frothy') : null;
  // "Play here" on a tab whose game moved away loads the page again with this mark: it asks for
  // the game at once, as "Play here instead" does.
  var TAKE_OVER = '#take-over';
  var takeOverAtStart = location.hash === TAKE_OVER;
  if (takeOverAtStart) history.replaceState(null, '', location.pathname + location.search);

  function hold(start) {
    return new Promise(function (release) {
      releaseLock = release;
      start();
    });
  }
  function letGo() {
    whenWritten(function () {
      if (releaseLock) releaseLock();
      releaseLock = null;
    });
  }
  function claim(start) {
    if (!navigator.locks) { start(); return; }
    navigator.locks.request('frothy-game', { ifAvailable: true }, function (lock) {
      if (lock) return hold(start);
      page.state = 'waiting';
      showOnly('elsewhere');
      $('take-over').focus();
      // In the queue for the lock: the game starts here once the other tab lets it go, asked
      // to or not (closed, ended).
      navigator.locks.request('frothy-game', function () {
        if (page.state === 'failed') return;  // the program failed meanwhile: nothing to hold
        page.state = 'loading';
        showOnly(null);
        return hold(start);
      });
      $('take-over').onclick = function () {
        $('take-over').disabled = true;
        if (channel) channel.postMessage('take-over');
      };
      if (takeOverAtStart) $('take-over').onclick();
    });
  }
  // Asked to stop: a game that runs saves and stops first; one still loading does so as its
  // first frame comes.
  var takeOverAsked = false;
  function giveWay() {
    if (page.state === 'running') {
      Module._frothy_close(1);
      page.state = 'ended';
      showOnly('moved');
    }
    letGo();
  }
  if (channel) {
    channel.onmessage = function (e) {
      if (e.data !== 'take-over' || !releaseLock) return;
      if (page.state === 'loading') takeOverAsked = true; else giveWay();
    };
  }

  // ---- The screen ----------------------------------------------------------------------------
  // Shows one of the page's screens in the game's place (null: the game itself).
  function showOnly(id) {
    ['elsewhere', 'moved', 'ended'].forEach(function (s) { $(s).hidden = s !== id; });
    $('game').hidden = id !== null;
    fit();
  }

  // The layout (index.html) sizes the canvas to the viewport.
  function fit() { frothyLayout.fit(); }

  // The canvas holds the game's client area pixel for pixel. The page is laid out for the size
  // the program gives it already; a size set again would clear the canvas and lay it out anew.
  page.setClientSize = function (width, height) {
    if (canvas.width === width && canvas.height === height) return;
    canvas.width = width;
    canvas.height = height;
    fit();
  };

  // `blocks` holds x, y, w, h for each block of the frame that changed: one put of their
  // bounding box (each put has a cost of its own, and a play frame changes a hundred small
  // blocks spread over the field). The canvas holds the game's own pixels; the page scales it.
  page.present = function (bytes, width, height, blocks) {
    var x0 = width, y0 = height, x1 = 0, y1 = 0;
    for (var i = 0; i < blocks.length; i += 4) {
      x0 = Math.min(x0, blocks[i]);
      y0 = Math.min(y0, blocks[i + 1]);
      x1 = Math.max(x1, blocks[i] + blocks[i + 2]);
      y1 = Math.max(y1, blocks[i + 1] + blocks[i + 3]);
    }
    if (x0 >= x1 || y0 >= y1) return;
    var image = new ImageData(new Uint8ClampedArray(bytes.buffer, bytes.byteOffset, bytes.length),
                              width, height);
    ctx.putImageData(image, 0, 0, x0, y0, x1 - x0, y1 - y0);
    if (page.firstFrameMs === null) {
      page.firstFrameMs = performance.now();
      page.state = 'running';
      $('loading').hidden = true;
      $('escape').disabled = false;
      offerInstalling();
      if (takeOverAsked) giveWay();
    }
  };

  // The web app manifest, linked once the game runs: the browser fetches it and its largest
  // icon as soon as it is linked, and on a first visit they would share the network with the
  // program.
  function offerInstalling() {
    var link = document.createElement('link');
    link.rel = 'manifest';
    link.href = 'manifest.webmanifest';
    document.head.appendChild(link);
    keepForOffline();
  }

  // The service worker keeps the site for play offline. It is registered once the game runs:
  // it asks for every file of the site, and on a first visit a request made while the program
  // and its data are still on their way would download them a second time.
  function keepForOffline() {
    if (!('serviceWorker' in navigator)) return;
    navigator.serviceWorker.register('sw.js').catch(function (e) {
      console.warn('Offline play is not available: ' + e);
    });
  }

  // The Escape control says what Escape does in the scene (0 the title, else play or ranking).
  page.scene = function (scene) {
    $('escape').textContent = scene === 0 ? 'Quit' : 'Back to the title';
  };

  page.showError = function (title, text) {
    page.errors.push(text);
    var dialog = $('error');
    var list = $('error-text');
    $('error-title').textContent = title;
    // Reports that come while the dialog is open queue up in it rather than replace it.
    if (!dialog.open) list.textContent = '';
    var p = document.createElement('p');
    p.textContent = text;
    // The record's own errors are the original game's Japanese texts.
    p.lang = /[^\x00-\x7f]/.test(text) ? 'ja' : 'en';
    list.appendChild(p);
    if (!dialog.open) dialog.showModal();
  };

  // The game has ended by Escape on the title: the end screen once the writes are done (it
  // says the times are saved only when the last save's writes kept them), then the lock goes.
  page.ended = function (saved) {
    page.state = 'ending';
    whenWritten(function () {
      page.state = 'ended';
      $('ended-text').textContent = saved && !newestLost
          ? 'The game has ended. Your times are saved.'
          : 'The game has ended. Your times were not saved.';
      showOnly('ended');
      $('again').focus();
      letGo();
    });
  };

  page.stopped = function () {
    page.state = 'failed';
    letGo();
  };

  // ---- Input ---------------------------------------------------------------------------------
  // Viewport pixels to the game's client pixels, whatever the scale.
  function clientPoint(e) {
    var r = canvas.getBoundingClientRect();
    return [Math.floor((e.clientX - r.left) * canvas.width / r.width),
            Math.floor((e.clientY - r.top) * canvas.height / r.height)];
  }
  function running() { return page.state === 'running'; }
  function unlockAudio() {
    if (audioUnlocked) return;
    audioUnlocked = true;
    var sdl = Module['SDL2'];
    if (sdl && sdl.audioContext && sdl.audioContext.state !== 'running') sdl.audioContext.resume();
    Module._frothy_audio_unlocked();
  }
  function press(e) {
    e.preventDefault();
    if (!running()) return;
    unlockAudio();
    dragging = true;
    var p = clientPoint(e);
    Module._frothy_mouse_down(p[0], p[1]);
  }
  // Every mouse button's press; a touch or a pen arrives as a pointer press.
  canvas.addEventListener('mousedown', function (e) { canvas.focus(); press(e); });
  canvas.addEventListener('pointerdown', function (e) {
    if (e.pointerType !== 'mouse') press(e);
  });
  // Moves over the canvas, and beyond it while a button pressed on it is held.
  document.addEventListener('pointermove', function (e) {
    if (!running() || (e.target !== canvas && !dragging)) return;
    var p = clientPoint(e);
    Module._frothy_mouse_move(p[0], p[1]);
  });
  document.addEventListener('pointerup', function (e) { if (e.buttons === 0) dragging = false; });
  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  function escape() {
    if (running()) Module._frothy_escape();
  }
  // Escape wherever the focus is, but not while the dialog is open: there it closes the dialog.
  document.addEventListener('keydown', function (e) {
    if (e.key !== 'Escape' || $('error').open) return;
    e.preventDefault();
    escape();
  });
  $('escape').addEventListener('click', function () { unlockAudio(); escape(); });
  // The close request, once per close: the record is saved while the page can still write.
  window.addEventListener('pagehide', function () { if (running()) Module._frothy_close(0); });
  $('again').addEventListener('click', function () { location.reload(); });
  $('play-here').addEventListener('click', function () {
    history.replaceState(null, '', TAKE_OVER);
    location.reload();
  });
  $('error-ok').addEventListener('click', function () {
    $('error').close();
    canvas.focus();
  });

  page.setStatus = function (text) {
    // The data package reports "Downloading data... (loaded/total)".
    var m = /\((\d+)\/(\d+)\)/.exec(text || '');
    var bar = $('progress');
    if (m && +m[2] > 0) { bar.max = +m[2]; bar.value = +m[1]; }
  };

  page.start = function () {
    addRunDependency('frothy-record');
    claim(function () {
      openStores(function () { removeRunDependency('frothy-record'); });
    });
  };

  canvas.focus();
  return page;
})();

var Module = typeof Module !== 'undefined' ? Module : {};
Module['canvas'] = document.getElementById('canvas');
// The sound output is made at the first click or tap, when the browser lets the page sound:
// a browser takes its time over a page's first audio context (a tenth of a second here), which
// would otherwise block the start-up's first cue. Until then SDL opens its device on a stand-in
// with the audio context's ways that SDL uses, at the rate the mixer asks for; the first press
// makes the real context at that rate and moves SDL's output node over to it.
(function () {
  if (typeof AudioContext === 'undefined') return;  // SDL looks for another kind itself
  var RATE = 44100;
  var nodes = [];
  var standIn = {
    sampleRate: RATE,
    state: 'suspended',
    destination: {},
    createScriptProcessor: function (size, inputs, outputs) {
      var node = {
        onaudioprocess: null,
        real: null,
        connect: function () {},
        disconnect: function () {
          node.gone = true;
          if (node.real) node.real.disconnect();
        }
      };
      nodes.push({ node: node, size: size, inputs: inputs, outputs: outputs });
      return node;
    },
    close: function () {},
    resume: function () {
      var context;
      try {
        context = new AudioContext({ sampleRate: RATE });
      } catch (e) {
        return;  // the game plays on silently
      }
      nodes.forEach(function (n) {
        if (n.node.gone) return;
        var real = context.createScriptProcessor(n.size, n.inputs, n.outputs);
        real.onaudioprocess = function (e) { if (n.node.onaudioprocess) n.node.onaudioprocess(e); };
        real.connect(context.destination);
        n.node.real = real;
      });
      Module['SDL2'].audioContext = context;
      context.resume();
    }
  };
  Module['SDL2'] = { audioContext: standIn };
})();
Module['setStatus'] = frothyPage.setStatus;
// The record's stores are opened, and the profile's game claimed, before main reads the record.
Module['preRun'] = (Module['preRun'] || []).concat([frothyPage.start]);
// A program that fails to start lets the profile's game go, as one that stops does.
Module['onAbort'] = function (what) {
  frothyPage.showError('Frothy', '' + what);
  frothyPage.stopped();
};
