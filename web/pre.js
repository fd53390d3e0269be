// The page around the game: the canvas and its input, the error dialog, the end screen and the
// persistent record folder. Prepended to the compiled game, so it shares its file system.
var frothyPage = (function () {
  var canvas = document.getElementById('canvas');
  var ctx = canvas.getContext('2d', { alpha: false });
  var frame = document.createElement('canvas');
  var frameCtx = frame.getContext('2d', { alpha: false });
  var scale = 1;
  var audioUnlocked = false;
  var dragging = false;
  var page = {
    state: 'loading',   // loading, running, ended, failed
    firstFrameMs: null, // performance.now() of the first frame on the canvas
    errors: []
  };

  page.setScale = function (s, width, height) {
    scale = s;
    canvas.width = width * s;
    canvas.height = height * s;
    // Whole device pixels per game pixel: the canvas's size in CSS pixels follows.
    var ratio = window.devicePixelRatio || 1;
    canvas.style.width = (width * s / ratio) + 'px';
    canvas.style.height = (height * s / ratio) + 'px';
    ctx.imageSmoothingEnabled = false;
  };

  // `blocks` holds x, y, w, h for each block of the frame that changed; only those are put.
  page.present = function (bytes, width, height, blocks) {
    var image = new ImageData(new Uint8ClampedArray(bytes.buffer, bytes.byteOffset, bytes.length),
                              width, height);
    if (scale !== 1 && frame.width !== width) { frame.width = width; frame.height = height; }
    ctx.imageSmoothingEnabled = false;
    // One put of the blocks' bounding box: each put has a cost of its own, and a play frame
    // changes a hundred small blocks spread over the field.
    var x0 = width, y0 = height, x1 = 0, y1 = 0;
    for (var i = 0; i < blocks.length; i += 4) {
      x0 = Math.min(x0, blocks[i]);
      y0 = Math.min(y0, blocks[i + 1]);
      x1 = Math.max(x1, blocks[i] + blocks[i + 2]);
      y1 = Math.max(y1, blocks[i + 1] + blocks[i + 3]);
    }
    if (x0 >= x1 || y0 >= y1) return;
    if (scale === 1) {
      ctx.putImageData(image, 0, 0, x0, y0, x1 - x0, y1 - y0);
    } else {
      frameCtx.putImageData(image, 0, 0, x0, y0, x1 - x0, y1 - y0);
      ctx.drawImage(frame, x0, y0, x1 - x0, y1 - y0, x0 * scale, y0 * scale, (x1 - x0) * scale,
                    (y1 - y0) * scale);
    }
    if (page.firstFrameMs === null) {
      page.firstFrameMs = performance.now();
      page.state = 'running';
    }
  };

  page.showError = function (title, text) {
    page.errors.push(text);
    var dialog = document.getElementById('error');
    var list = document.getElementById('error-text');
    document.getElementById('error-title').textContent = title;
    // Reports that come while the dialog is open queue up in it rather than replace it.
    if (!dialog.open) list.textContent = '';
    var p = document.createElement('p');
    p.textContent = text;
    list.appendChild(p);
    if (!dialog.open) dialog.showModal();
  };

  // Writes the record folder through to the browser's storage; then, if asked, the end screen.
  page.persist = function (thenEnd) {
    FS.syncfs(false, function (err) {
      if (err) ccall('frothy_report', null, ['string'], ['' + (err.message || err)]);
      if (thenEnd) {
        page.state = 'ended';
        canvas.hidden = true;
        document.getElementById('howto').hidden = true;
        document.getElementById('ended').hidden = false;
        document.getElementById('again').focus();
      }
    });
  };

  page.stopped = function () {
    page.state = 'failed';
  };

  function canvasPoint(e) {
    var r = canvas.getBoundingClientRect();
    // CSS pixels to canvas pixels, then the game's own scaling maps them to the client area.
    return [Math.floor((e.clientX - r.left) * canvas.width / r.width),
            Math.floor((e.clientY - r.top) * canvas.height / r.height)];
  }

  function running() { return page.state === 'running' || page.state === 'loading'; }

  canvas.addEventListener('mousedown', function (e) {
    canvas.focus();
    e.preventDefault();
    if (!running()) return;
    if (!audioUnlocked) {
      audioUnlocked = true;
      var sdl = Module['SDL2'];
      if (sdl && sdl.audioContext && sdl.audioContext.state !== 'running') sdl.audioContext.resume();
      Module._frothy_audio_unlocked();
    }
    dragging = true;
    var p = canvasPoint(e);
    Module._frothy_mouse_down(p[0], p[1]);
  });
  // Moves over the canvas, and beyond it while a button pressed on it is held.
  document.addEventListener('mousemove', function (e) {
    if (!running() || (e.target !== canvas && !dragging)) return;
    var p = canvasPoint(e);
    Module._frothy_mouse_move(p[0], p[1]);
  });
  document.addEventListener('mouseup', function (e) { if (e.buttons === 0) dragging = false; });
  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  canvas.addEventListener('keydown', function (e) {
    if (e.key !== 'Escape') return;
    e.preventDefault();
    if (running()) Module._frothy_escape();
  });
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden' && running()) Module._frothy_close();
  });
  window.addEventListener('pagehide', function () { if (running()) Module._frothy_close(); });
  document.getElementById('again').addEventListener('click', function () { location.reload(); });
  document.getElementById('error-ok').addEventListener('click', function () {
    document.getElementById('error').close();
    canvas.focus();
  });
  canvas.focus();
  return page;
})();

var Module = typeof Module !== 'undefined' ? Module : {};
Module['canvas'] = document.getElementById('canvas');
Module['preRun'] = (Module['preRun'] || []).concat([function () {
  // The record folder is filled from the browser's storage before main reads the record.
  FS.mkdir('/saved');
  FS.mount(IDBFS, {}, '/saved');
  addRunDependency('frothy-saved');
  FS.syncfs(true, function (err) {
    // Without storage (a private window that refuses it) the game still runs; its times last
    // until the page is closed.
    if (err) console.warn('The record could not be loaded from the browser storage: ' + err);
    removeRunDependency('frothy-saved');
  });
}]);
Module['onAbort'] = function (what) {
  frothyPage.state = 'failed';
  frothyPage.showError('Frothy', '' + what);
};
