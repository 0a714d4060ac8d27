// The batch page: the map of the day in the batch's grid coordinates (metres), the tasks'
// footprints by state, the drives' tracks, the mosaics' tiles; a task's record on click; the
// batch in one line; the failures. Data: window.QUORVEL_BATCH (view/batch.js) and
// window.QUORVEL_TILES (view/tiles.js), both written by quorvel.
(function () {
  'use strict';

  var batch = window.QUORVEL_BATCH;
  var tiles = window.QUORVEL_TILES || { layers: [] };
  var STATES = ['done', 'failed', 'not run', 'running'];
  var STATE_COLOURS = { done: '#1a9850', failed: '#d73027', 'not run': '#8c8c8c',
                        running: '#4575b4' };
  var TILE_SIZE = tiles.tileSize || 512;
  var LONG_SIDE = 1024;  // the coarsest level's long side at most, in cells

  function el(tag, attributes, children) {
    var node = document.createElement(tag);
    Object.keys(attributes || {}).forEach(function (key) {
      if (key === 'text') node.textContent = attributes[key];
      else node.setAttribute(key, attributes[key]);
    });
    (children || []).forEach(function (child) {
      node.appendChild(typeof child === 'string' ? document.createTextNode(child) : child);
    });
    return node;
  }

  function grouped(n) { return Math.round(n).toLocaleString('en-US').replace(/,/g, '\u202f'); }
  function slug(state) { return state.replace(/ /g, '-'); }
  function clock(seconds) {
    var s = Math.round(seconds);
    var pad = function (n) { return (n < 10 ? '0' : '') + n; };
    return Math.floor(s / 3600) + ':' + pad(Math.floor(s / 60) % 60) + ':' + pad(s % 60);
  }

  // The map's frame: the batch grid when there is one (cell edges, cell size), else the extent
  // of what the tasks cover, on cells of 0.1 m.
  function frameOf() {
    var g = batch.grid;
    if (g) {
      return { left: g.ox - g.pixelsize / 2, bottom: g.oy - g.pixelsize / 2, cell: g.pixelsize,
               width: g.width, length: g.length };
    }
    var box = [Infinity, Infinity, -Infinity, -Infinity];
    function add(x, y) {
      box = [Math.min(box[0], x), Math.min(box[1], y), Math.max(box[2], x), Math.max(box[3], y)];
    }
    batch.tasks.forEach(function (t) {
      if (t.footprint) { add(t.footprint[0], t.footprint[1]); add(t.footprint[2], t.footprint[3]); }
    });
    batch.drives.forEach(function (d) { d.track.forEach(function (v) { add(v[0], v[1]); }); });
    if (!isFinite(box[0])) box = [0, 0, 100, 100];
    var cell = 0.1;
    return { left: box[0], bottom: box[1], cell: cell,
             width: Math.max(1, Math.ceil((box[2] - box[0]) / cell)),
             length: Math.max(1, Math.ceil((box[3] - box[1]) / cell)) };
  }

  // Levels as the mosaics' overviews make them: each half the one before (rounded up) until
  // the long side is at most LONG_SIDE cells. Zoom levels - 1 shows one cell per pixel.
  function levelCount(frame) {
    if (tiles.levels) return tiles.levels;
    var levels = 1, w = frame.width, h = frame.length;
    while (Math.max(w, h) > LONG_SIDE) { w = Math.ceil(w / 2); h = Math.ceil(h / 2); levels++; }
    return levels;
  }

  var frame = frameOf();
  var top = frame.bottom + frame.length * frame.cell;
  var fullZoom = levelCount(frame) - 1;
  var a = 1 / (frame.cell * Math.pow(2, fullZoom));
  // Simple's plane, with y = north up and the grid's upper left corner at pixel 0, 0.
  var crs = L.extend({}, L.CRS.Simple, {
    transformation: new L.Transformation(a, -a * frame.left, -a, a * top)
  });
  var gridBounds = L.latLngBounds([frame.bottom, frame.left],
                                  [top, frame.left + frame.width * frame.cell]);
  var map = L.map('map', { crs: crs, minZoom: -3, maxZoom: fullZoom + 4, zoomSnap: 1,
                           attributionControl: false });
  L.control.scale({ imperial: false, position: 'bottomright', maxWidth: 160 }).addTo(map);

  // The mosaics' tiles: those stored come in packs of a region's tiles (view/tiles/STAMP/
  // LAYER/Z/PX_PY.js, loaded once, as a script: a page opened as a file may not fetch), each
  // tile run-length coded palette indices drawn into a canvas; a tile not stored holds no data.
  var PACK = tiles.packTiles || 8;
  var packs = {};  // by name: { tiles: coded tiles once loaded, waiting: callbacks }
  window.quorvelTiles = function (name, coded) {
    var pack = packs[name];
    pack.tiles = coded;
    pack.waiting.forEach(function (callback) { callback(); });
    pack.waiting = [];
  };
  function withPack(name, callback) {
    var pack = packs[name];
    if (!pack) {
      pack = packs[name] = { tiles: null, waiting: [] };
      var script = document.createElement('script');
      script.src = tiles.folder + '/' + name + '.js';
      script.onerror = function () { pack.tiles = {}; window.quorvelTiles(name, {}); };
      document.head.appendChild(script);
    }
    // Never at once: Leaflet takes a tile's done only after createTile has returned it.
    if (pack.tiles) L.Util.requestAnimFrame(callback); else pack.waiting.push(callback);
  }
  function paletteOf(hex) {  // 256 RGBA entries as the canvas's 32-bit pixels
    var bytes = new Uint8Array(1024);
    for (var i = 0; i < 1024; i++) bytes[i] = parseInt(hex.substr(2 * i, 2), 16);
    return new Uint32Array(bytes.buffer);
  }
  // [zeros][n][n indices] ..., counts as LEB128 numbers.
  function drawTile(canvas, coded, palette) {
    var context = canvas.getContext('2d');
    var image = context.createImageData(TILE_SIZE, TILE_SIZE);
    var pixels = new Uint32Array(image.data.buffer);
    var bytes = atob(coded), at = 0, i = 0;
    function count() {
      var value = 0, shift = 0, b;
      do { b = bytes.charCodeAt(i++); value += (b & 127) * Math.pow(2, shift); shift += 7; }
      while (b & 128);
      return value;
    }
    while (i < bytes.length) {
      at += count();
      for (var n = count(); n > 0; n--) pixels[at++] = palette[bytes.charCodeAt(i++)];
    }
    context.putImageData(image, 0, 0);
  }
  var MosaicTiles = L.GridLayer.extend({
    initialize: function (layer) {
      this._layer = layer;
      this._stored = new Set(layer.tiles);
      this._palette = paletteOf(layer.palette);
      L.GridLayer.prototype.initialize.call(this, {
        tileSize: TILE_SIZE, minNativeZoom: 0, maxNativeZoom: fullZoom, minZoom: -3,
        maxZoom: fullZoom + 4, bounds: gridBounds, className: 'map-tiles ' + layer.name,
        noWrap: true
      });
    },
    createTile: function (coords, done) {
      var key = coords.z + '/' + coords.x + '/' + coords.y;
      if (!this._stored.has(key)) {
        var empty = document.createElement('div');
        L.Util.requestAnimFrame(L.bind(done, this, null, empty));
        return empty;
      }
      var canvas = document.createElement('canvas');
      canvas.width = canvas.height = TILE_SIZE;
      canvas.setAttribute('data-layer', this._layer.name);
      var pack = this._layer.name + '/' + coords.z + '/' + Math.floor(coords.x / PACK) + '_' +
        Math.floor(coords.y / PACK);
      var palette = this._palette;
      withPack(pack, function () {
        var coded = packs[pack].tiles[coords.x + '/' + coords.y];
        if (coded) drawTile(canvas, coded, palette);
        done(null, canvas);
      });
      return canvas;
    }
  });

  var tileLayers = {};
  tiles.layers.forEach(function (layer) { tileLayers[layer.name] = new MosaicTiles(layer); });

  function footprintFeature(task, index) {
    var f = task.footprint;
    return { type: 'Feature', properties: { index: index, state: task.state },
             geometry: { type: 'Polygon', coordinates: [[[f[0], f[1]], [f[2], f[1]], [f[2], f[3]],
                                                           [f[0], f[3]], [f[0], f[1]]]] } };
  }
  function footprintStyle(feature) {
    var state = feature.properties.state;
    return { color: STATE_COLOURS[state], weight: state === 'failed' ? 3 : 2, fillOpacity: 0.08,
             dashArray: state === 'not run' ? '6 4' : null,
             className: 'footprint state-' + slug(state) };
  }
  var footprints = L.geoJSON({
    type: 'FeatureCollection',
    features: batch.tasks.map(function (t, i) { return t.footprint ? footprintFeature(t, i) : null; })
      .filter(Boolean)
  }, {
    style: footprintStyle,
    onEachFeature: function (feature, layer) {
      layer.on('click', function () { showTask(feature.properties.index, false); });
    }
  }).addTo(map);
  var tracks = L.layerGroup(batch.drives.filter(function (d) { return d.track.length > 1; })
    .map(function (d) {
      return L.polyline(d.track.map(function (v) { return [v[1], v[0]]; }),
                        { color: '#000', weight: 1.5, opacity: 0.8, interactive: false,
                          className: 'track' });
    })).addTo(map);

  // The cursor's position in the batch's coordinates.
  var Coordinates = L.Control.extend({
    onAdd: function () { this._div = el('div', { class: 'coordinates' }); return this._div; },
    show: function (latlng) {
      this._div.textContent = 'x ' + latlng.lng.toFixed(2) + '  y ' + latlng.lat.toFixed(2) + ' m' +
        (batch.epsg ? '  EPSG:' + batch.epsg : '');
    }
  });
  var coordinates = new Coordinates({ position: 'bottomleft' }).addTo(map);
  map.on('mousemove', function (e) { coordinates.show(e.latlng); });

  // The layer choice and the legend of the layer shown.
  function rampCss(layer) {
    var stops = layer.stops, lo = position(layer, stops[0][0]);
    var span = position(layer, stops[stops.length - 1][0]) - lo;
    return 'linear-gradient(to right, ' + stops.map(function (s) {
      return s[1] + ' ' + (100 * (position(layer, s[0]) - lo) / span).toFixed(3) + '%';
    }).join(', ') + ')';
  }
  function position(layer, value) { return layer.scale === 'log' ? Math.log(value) : value; }
  function showLegend(layer) {
    var legend = document.getElementById('legend');
    legend.textContent = '';
    if (!layer) return;
    var lo = position(layer, layer.stops[0][0]);
    var span = position(layer, layer.stops[layer.stops.length - 1][0]) - lo;
    legend.appendChild(el('div', { text: layer.title + (layer.unit ? ' (' + layer.unit + ')' : '') }));
    legend.appendChild(el('div', { class: 'bar', style: 'background: ' + rampCss(layer) }));
    legend.appendChild(el('div', { class: 'ticks' }, layer.stops.map(function (s) {
      var at = 100 * (position(layer, s[0]) - lo) / span;
      var text = layer.scale === 'log' ? String(s[0]) : s[0].toFixed(2);
      return el('span', { style: 'left: ' + at.toFixed(3) + '%', text: text });
    })));
    legend.appendChild(el('div', { class: 'note', text: layer.note || '' }));
  }
  function chooseLayer(name) {
    Object.keys(tileLayers).forEach(function (key) {
      if (key !== name && map.hasLayer(tileLayers[key])) map.removeLayer(tileLayers[key]);
    });
    if (tileLayers[name]) tileLayers[name].addTo(map).bringToBack();
    showLegend(tiles.layers.filter(function (l) { return l.name === name; })[0]);
  }
  function layerChoice() {
    var choice = document.getElementById('layer-choice');
    var names = tiles.layers.map(function (l) { return [l.name, l.title]; })
      .concat([['none', 'No mosaic']]);
    if (!tiles.layers.length) {
      choice.appendChild(el('div', { class: 'note',
                                     text: 'No mosaic tiles yet: the merge makes them.' }));
      return;
    }
    names.forEach(function (n, i) {
      var input = el('input', { type: 'radio', name: 'layer', value: n[0] });
      input.checked = i === 0;
      input.addEventListener('change', function () { chooseLayer(n[0]); });
      choice.appendChild(el('label', {}, [input, ' ' + n[1]]));
    });
    chooseLayer(names[0][0]);
  }
  function stateKey() {
    document.getElementById('states').appendChild(el('div', {}, STATES.map(function (s) {
      return el('span', {}, [el('i', { style: 'border-color: ' + STATE_COLOURS[s] }), s]);
    }).concat([el('span', {}, [el('i', { style: 'border-color: #000; height: 0' }), 'track'])])));
  }

  // A task's record in the side panel; zoomTo: fit the map to its footprint.
  function showTask(index, zoomTo) {
    var t = batch.tasks[index], panel = document.getElementById('task');
    panel.hidden = false;
    panel.textContent = '';
    panel.appendChild(el('h2', { text: 'Task ' + t.folder }));
    if (t.reason) panel.appendChild(el('div', { class: 'reason', text: t.reason }));
    var total = t.seconds.reduce(function (sum, s) { return sum + s[1]; }, 0);
    var rows = [['State', t.state], ['Project', t.project],
                ['Lines', t.first + ' – ' + t.last + ' (' + grouped(t.last - t.first + 1) + ')'],
                ['Samples', grouped(t.samples)], ['Points', grouped(t.points)],
                ['Peak memory', (t.peakMemoryKiB / 1024).toFixed(1) + ' MiB'],
                ['Seconds', total.toFixed(2)]];
    panel.appendChild(el('table', { class: 'record' }, rows.map(function (r) {
      return el('tr', {}, [el('td', { text: r[0] }), el('td', { text: r[1] })]);
    })));
    if (t.seconds.length) {
      panel.appendChild(el('h2', { text: 'Seconds per stage' }));
      panel.appendChild(el('table', { class: 'stages' }, t.seconds.map(function (s) {
        return el('tr', {}, [el('td', { text: s[0] }),
                             el('td', { class: 'number', text: s[1].toFixed(3) })]);
      })));
    }
    var files = t.files.map(function (f) { return [f[0], f[1]]; });
    if (t.log) files.push([t.log, null]);
    if (files.length) {
      panel.appendChild(el('h2', { text: 'Files' }));
      panel.appendChild(el('ul', { class: 'files' }, files.map(function (f) {
        var link = el('a', { href: t.folder + '/' + f[0], text: f[0] });
        return el('li', {}, [link, f[1] === null ? '' : ' (' + grouped(f[1]) + ' bytes)']);
      })));
    }
    footprints.eachLayer(function (layer) {
      var mine = layer.feature.properties.index === index;
      layer.setStyle({ weight: mine ? 5 : footprintStyle(layer.feature).weight });
      if (mine && zoomTo) map.fitBounds(layer.getBounds());
    });
  }

  function failureList() {
    var section = document.getElementById('failures');
    var failed = [];
    batch.tasks.forEach(function (t, i) { if (t.state === 'failed') failed.push(i); });
    section.appendChild(el('h2', { text: 'Failures (' + failed.length + ')' }));
    if (!failed.length) return;
    section.appendChild(el('ul', {}, failed.map(function (i) {
      var t = batch.tasks[i];
      var link = el('a', { href: '#' + t.folder, class: 'failure', text: t.folder });
      link.addEventListener('click', function () { showTask(i, true); });
      return el('li', {}, [link, ': ' + t.reason.split('\n')[0]]);
    })));
  }

  function summary() {
    var count = {};
    STATES.forEach(function (s) { count[s] = 0; });
    var samples = 0;
    batch.tasks.forEach(function (t) {
      count[t.state]++;
      if (t.state === 'done') samples += t.samples;
    });
    var line = document.getElementById('summary');
    line.textContent = '';
    var parts = [el('b', { text: count.done + ' of ' + batch.tasks.length + ' tasks done' }),
                 el('span', { class: count.failed ? 'failed' : '', text: count.failed + ' failed' }),
                 count['not run'] + ' not run'];
    if (count.running) parts.push(count.running + ' running');
    parts.push(grouped(samples) + ' samples');
    if (batch.wallSeconds !== null) parts.push('wall ' + clock(batch.wallSeconds));
    if (batch.samplesPerSecond !== null) {
      parts.push(grouped(batch.samplesPerSecond) + ' samples/s');
    }
    parts.push(el('code', { text: batch.command || 'command unknown' }));
    parts.push(batch.stage + ' ' + batch.written.replace('T', ' ').replace('Z', ' UTC') +
               (batch.epsg ? ' · EPSG:' + batch.epsg : ''));
    parts.forEach(function (part, i) {
      if (i) line.appendChild(document.createTextNode(' · '));
      line.appendChild(typeof part === 'string' ? document.createTextNode(part) : part);
    });
    document.title = batch.folder + ': ' + count.done + '/' + batch.tasks.length + ' done';
  }

  summary();
  layerChoice();
  stateKey();
  failureList();
  map.fitBounds(footprints.getLayers().length ? footprints.getBounds() : gridBounds);
  var chosen = batch.tasks.map(function (t) { return '#' + t.folder; }).indexOf(location.hash);
  if (chosen >= 0) showTask(chosen, true);

  // For tests and the curious: the map and its layers.
  window.quorvelPage = { map: map, footprints: footprints, tracks: tracks, tiles: tileLayers,
                         showTask: showTask, chooseLayer: chooseLayer, fullZoom: fullZoom };
}());
