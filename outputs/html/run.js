'use strict';
// The page of one run. Every figure comes from the JSON document the run
// wrote ("document"); the tiles' values, the map's cells, the gates'
// outcomes and the pictures come from "page". Nothing is measured here.

(() => {
  const {el, fmt, grouped, fileName, numeric} = Z;
  const doc = Z.data('document');
  const page = Z.data('page');
  const FIGURES = ['avg', 'finiteAvg', 'pooled', 'min', 'p05', 'p50', 'p95', 'max', 'skipped'];

  function bandName(band) {
    return `band ${band} (${page.bands[band] ?? ''})`;
  }
  function bandColour(band, alpha = 1) {
    const name = (page.bands[band] || '').toLowerCase();
    const rgb = name.includes('red') ? [214, 39, 40] : name.includes('green') ? [44, 160, 44]
      : name.includes('blue') ? [31, 119, 180]
      : [[127, 127, 127], [148, 103, 189], [140, 86, 75], [23, 190, 207]][band % 4];
    return `rgba(${rgb.join(',')},${alpha})`;
  }
  function rectangle(r) {
    return `[${r[0]},${r[1]};${r[2]},${r[3]}]`;
  }

  // --- Verdict: the pair, sizes, and each gate's outcome -------------------
  function fileFacts(title, file) {
    return el('div', {class: 'file'}, el('h3', {}, title),
      el('p', {class: 'path', title: file.path}, fileName(file.path)),
      el('p', {}, `${grouped(file.bytes)} bytes · ${fmt(file.bitsPerPixel)} bits per pixel`),
      el('p', {class: 'muted'}, `${file.width} × ${file.height} pixels, ${file.bands} band(s), ` +
        `read by ${file.reader === 'gdal' ? 'GDAL' : 'the built-in reader'}`));
  }
  function headline(statistic) {
    const bands = doc.statistics[statistic];
    const figure = bands.some((band) => 'pooled' in band) ? 'pooled' : 'avg';
    return el('li', {}, `${statistic} ${figure}: `,
      bands.map((band, i) => [i ? ' · ' : '', el('span', {class: 'value', title: bandName(i)},
        fmt(band[figure]))]));
  }
  function verdict() {
    const gates = page.gates;
    const campaign = doc.campaign;
    const failed = gates.some((gate) => !gate.passed);
    const state = gates.length === 0 ? 'neutral' : failed ? 'bad' : 'good';
    const title = gates.length === 0 ? 'Measured: no gate was given'
      : failed ? 'Failed a gate' : 'Passed every gate';
    const lines = gates.length === 0
      ? el('ul', {class: 'headlines'}, Object.keys(doc.statistics).map(headline))
      : el('ul', {class: 'gates'}, gates.map((gate) => el('li', {class: gate.passed ? 'good' : 'bad'},
        el('span', {class: 'mark'}, gate.passed ? '✔' : '✘'), ` ${gate.gate}: `,
        gate.passed ? 'passed' : ['failed', el('ul', {class: 'lines'},
          gate.lines.map((line) => el('li', {}, line)))])));
    const order = doc.order === 'regions' ? 'replayed' : doc.order;
    const coverage = doc.coverage;
    const integrity = doc.integrity;
    const differing = integrity ? Object.entries(integrity)
      .filter(([, value]) => value && typeof value === 'object' && value.same === false)
      .map(([key]) => key) : [];
    Z.section('verdict', 'Verdict',
      el('div', {class: `verdict ${state}`}, el('strong', {}, title), lines),
      el('div', {class: 'files'}, fileFacts('Original', doc.original),
        fileFacts('Compressed', doc.compressed),
        el('div', {class: 'file'}, el('h3', {}, 'Run'),
          el('p', {}, `${fmt(doc.reduction)} % of the original's size`),
          el('p', {}, `${doc.tileCount} ${order} tiles` +
            (doc.tileSize ? ` of ${doc.tileSize} pixels` : '') + ` over ${rectangle(doc.area)}`),
          coverage ? el('p', {}, `${coverage.distinctTiles} of ${coverage.gridTiles} tiles of the ` +
            `grid, ${fmt(coverage.areaFraction * 100, 1)} % of the area's pixels`) : null,
          doc.dataRange !== undefined ? el('p', {}, `peak value ${fmt(doc.dataRange)}`) : null,
          !integrity ? null : integrity.readable === false
            ? el('p', {class: 'bad'}, 'the compressed file\'s identity cannot be read')
            : el('p', {class: differing.length ? 'bad' : ''}, differing.length
              ? `differs from the original in: ${differing.join(', ')}`
              : 'same coordinate system, geotransform, nodata, type and band names'),
          el('p', {class: 'muted'}, `zarnik ${doc.version}, ${fmt(doc.seconds, 2)} s` +
            (campaign ? ` · campaign row ${campaign.row}, ${campaign.label || 'no label'}` : '')))));
  }

  // --- Figures: one table per statistic, a row per band ---------------------
  function figureCell(statistic, band, figure, value) {
    const present = value !== undefined;
    const attributes = {'data-statistic': statistic, 'data-band': band, 'data-figure': figure};
    if (present) {
      attributes['data-json'] = value === null ? 'null' : String(value);
      attributes.title = attributes['data-json'];
    }
    return {text: present ? fmt(value) : '–', attributes: attributes};
  }
  function decodeRow(title, file, timing) {
    const speed = typeof timing.msPerMegapixel === 'number' ? 1000 / timing.msPerMegapixel : null;
    return [title, file.reader, fmt(timing.minMs), fmt(timing.avgMs), fmt(timing.maxMs),
      fmt(timing.msPerMegapixel), speed === null ? '–' : speed.toFixed(2)];
  }
  function figures() {
    const part = Z.section('figures', 'Figures');
    for (const [statistic, bands] of Object.entries(doc.statistics)) {
      part.append(el('h3', {}, statistic), Z.table(['band', ...FIGURES], bands.map((band) =>
        [bandName(band.band), ...FIGURES.map((figure) =>
          figureCell(statistic, band.band, figure, band[figure]))]), {className: 'figures'}));
    }
    const decoding = doc.decoding;
    part.append(el('h3', {}, 'Decoding speed'),
      el('p', {class: 'muted'}, 'Milliseconds per read of one band of one tile; megapixels ' +
        'per second over every band read (1000 / ms per megapixel).'),
      Z.table(['file', 'reader', 'min ms', 'avg ms', 'max ms', 'ms per megapixel',
        'megapixels per second'],
      [decodeRow('original', doc.original, decoding.original),
        decodeRow('compressed', doc.compressed, decoding.compressed)], {className: 'figures'}));
  }

  // --- Map over the scene -------------------------------------------------
  const ramp = page.map.ramp;
  // The quality map's own ramp: eleven colours, linear in between.
  function colour(position) {
    const scaled = Math.min(Math.max(position, 0), 1) * (ramp.length - 1);
    const below = Math.min(Math.floor(scaled), ramp.length - 2);
    const weight = scaled - below;
    return ramp[below].map((from, c) => Math.round(from + (ramp[below + 1][c] - from) * weight));
  }
  // The smallest and largest finite cell, as the map's PNG quick look takes them.
  function extent(cells) {
    let low = Infinity;
    let high = -Infinity;
    for (const cell of cells.map(numeric)) {
      if (Number.isFinite(cell)) {
        low = Math.min(low, cell);
        high = Math.max(high, cell);
      }
    }
    return {low, high};
  }
  function cellPicture(grid, cells, range) {
    const area = doc.area;
    const perCell = Math.max(1, Math.min(32, Math.floor(2048 / Math.max(grid.columns, grid.rows))));
    const canvas = el('canvas');
    canvas.width = Math.ceil((area[2] - area[0] + 1) * perCell / grid.cellSize);
    canvas.height = Math.ceil((area[3] - area[1] + 1) * perCell / grid.cellSize);
    const context = canvas.getContext('2d');
    cells.forEach((cell, index) => {
      const value = numeric(cell);
      if (cell === null || Number.isNaN(value)) return;
      const position = range.high > range.low ? (value - range.low) / (range.high - range.low) : 0;
      context.fillStyle = `rgb(${colour(position).join(',')})`;
      context.fillRect((index % grid.columns) * perCell, Math.floor(index / grid.columns) * perCell,
        perCell, perCell);
    });
    return canvas.toDataURL('image/png');
  }
  // The layers to choose from; the compare statistic's first, unless it has
  // no finite cell (MS-SSIM of small tiles): then the first that has one.
  function layerChoice(grid) {
    const choice = el('select', {'aria-label': 'Statistic and band'});
    for (const [statistic, bands] of Object.entries(grid.layers)) {
      bands.forEach((_, band) => choice.append(el('option', {value: `${statistic}|${band}`},
        `${statistic}, ${bandName(band)}`)));
    }
    const finite = (cells) => cells.some((cell) => Number.isFinite(numeric(cell)));
    const fallback = Object.entries(grid.layers).flatMap(([statistic, bands]) => bands.map(
      (cells, band) => ({statistic, band, cells}))).find((layer) => finite(layer.cells));
    const first = finite(grid.layers[grid.shown.statistic][grid.shown.band]) || !fallback
      ? grid.shown : fallback;
    choice.value = `${first.statistic}|${first.band}`;
    return choice;
  }
  // What lies under the pointer: the pixel, and the shown layer's cell there.
  function pointed(event, shown) {
    const grid = page.map;
    const area = doc.area;
    const x = Math.floor(event.latlng.lng);
    const y = Math.floor(-event.latlng.lat);
    const column = Math.floor((x - grid.x0) / grid.cellSize);
    const row = Math.floor((y - grid.y0) / grid.cellSize);
    if (x < area[0] || x > area[2] || y < area[1] || y > area[3]) {
      return `pixel ${x}, ${y}: outside the evaluated area`;
    }
    const cell = shown.cells[row * grid.columns + column];
    return `pixel ${x}, ${y}: ` + (cell === null ? 'no tile measured here'
      : `${shown.statistic} on ${bandName(shown.band)} = ${fmt(cell)} (cell ${column}, ${row})`);
  }
  // Leaflet in image pixels (y grows downwards, so latitude is -y): the
  // scene, and the quality map over the evaluated area.
  function leafletMap(holder) {
    const scene = page.scene;
    const area = doc.area;
    const sceneBounds = [[-scene.height, 0], [0, scene.width]];
    const areaBounds = [[-(area[3] + 1), area[0]], [-area[1], area[2] + 1]];
    const leaflet = L.map(holder, {crs: L.CRS.Simple, minZoom: -6, maxZoom: 5, zoomSnap: 0.25,
      attributionControl: false});
    L.imageOverlay(scene.picture, sceneBounds, {className: 'scene'}).addTo(leaflet);
    const overlay = L.imageOverlay(scene.picture, areaBounds,
      {opacity: 0.7, className: 'cells'}).addTo(leaflet);
    leaflet.fitBounds(sceneBounds);
    return {leaflet, overlay};
  }
  function map() {
    const grid = page.map;
    const choice = layerChoice(grid);
    const opacity = el('input', {type: 'range', min: 0, max: 100, value: 70,
      'aria-label': 'Opacity of the quality map'});
    const legendLow = el('span');
    const legendHigh = el('span');
    const gradient = ramp.map((c, i) => `rgb(${c.join(',')}) ${i * 10}%`).join(',');
    const readout = el('div', {class: 'readout'}, 'Point at the map for a cell\'s value.');
    const holder = el('div', {id: 'scene-map'});
    Z.section('map', 'Map over the scene',
      el('div', {class: 'controls'}, el('label', {}, 'Layer ', choice),
        el('label', {}, 'Opacity ', opacity), el('div', {class: 'legend'}, legendLow,
          el('span', {class: 'ramp', style: `background: linear-gradient(to right, ${gradient})`}),
          legendHigh)),
      holder, readout,
      el('p', {class: 'muted'}, `Each cell is one ${grid.cellSize}-pixel square of the image` +
        ' over the quick look of the original; cells no tile reached are clear. The ramp runs' +
        ' from the layer\'s smallest to its largest finite value.'));
    const {leaflet, overlay} = leafletMap(holder);
    let shown = null;
    const show = () => {
      const [statistic, band] = choice.value.split('|');
      const cells = grid.layers[statistic][Number(band)];
      // -mapRange fixes the ramp of the statistic the map's quick look shows.
      const fixed = doc.options.mapRange;
      const range = fixed && statistic === grid.shown.statistic
        ? {low: fixed[0], high: fixed[1]} : extent(cells);
      shown = {statistic, band: Number(band), cells};
      overlay.setUrl(cellPicture(grid, cells, range));
      legendLow.textContent = fmt(Number.isFinite(range.low) ? range.low : null);
      legendHigh.textContent = fmt(Number.isFinite(range.high) ? range.high : null);
    };
    choice.addEventListener('change', show);
    opacity.addEventListener('input', () => overlay.setOpacity(opacity.value / 100));
    leaflet.on('mousemove', (event) => { readout.textContent = pointed(event, shown); });
    show();
    return leaflet;
  }

  // --- Distribution: a histogram per statistic, the bands side by side ----
  const BINS = 20;
  function histogram(statistic, bands) {
    const values = bands.map((series) => series.map(numeric));
    const finite = values.flat().filter(Number.isFinite);
    const low = Math.min(...finite);
    const high = Math.max(...finite);
    const width = high > low ? (high - low) / BINS : 1;
    const bins = high > low ? BINS : 1;
    const labels = Array.from({length: bins}, (_, i) => fmt(low + (i + 0.5) * width));
    const datasets = values.map((series, band) => {
      const counts = new Array(bins).fill(0);
      for (const value of series.filter(Number.isFinite)) {
        counts[Math.min(bins - 1, Math.floor((value - low) / width))] += 1;
      }
      return {label: bandName(band), data: counts, backgroundColor: bandColour(band, 0.75)};
    });
    const infinite = values.flat().filter((v) => v === Infinity || v === -Infinity).length;
    const missing = bands.flat().filter((v) => v === null).length;
    return {labels, datasets, infinite, missing, count: finite.length};
  }
  function distribution() {
    const part = Z.section('distribution', 'Distribution',
      el('p', {class: 'muted'}, `Per-tile values of ${page.tiles.rectangles.length} tiles, ` +
        `${BINS} bins between each statistic's smallest and largest finite value.`));
    const grid = el('div', {class: 'charts'});
    part.append(grid);
    for (const [statistic, bands] of Object.entries(page.tiles.values)) {
      const made = histogram(statistic, bands);
      const box = el('div', {class: 'chart-box'}, el('h3', {}, statistic));
      grid.append(box);
      if (made.count === 0) {
        box.append(el('p', {class: 'muted'}, 'No finite value to show.'));
        continue;
      }
      Z.chart(box, {type: 'bar', data: {labels: made.labels, datasets: made.datasets},
        options: {scales: {x: {title: {display: true, text: statistic}},
          y: {title: {display: true, text: 'tiles'}, beginAtZero: true}},
        plugins: {legend: {position: 'bottom'}}}});
      if (made.infinite || made.missing) {
        box.append(el('p', {class: 'muted'},
          `${made.infinite} infinite and ${made.missing} missing values left out.`));
      }
    }
  }

  // --- Worst and best tiles -----------------------------------------------
  function slider(tile, width, height) {
    const after = el('img', {src: tile.compressed, alt: 'compressed', class: 'after'});
    const range = el('input', {type: 'range', min: 0, max: 100, value: 50,
      'aria-label': 'Between original and compressed'});
    const place = () => { after.style.clipPath = `inset(0 0 0 ${range.value}%)`; };
    range.addEventListener('input', place);
    place();
    return el('figure', {}, el('div', {class: 'curtain', style: `width:${width}px;height:${height}px`},
      el('img', {src: tile.original, alt: 'original'}), after), range,
    el('figcaption', {}, 'original ◀ ▶ compressed'));
  }
  function shownTiles() {
    const ranked = page.map.shown;
    const kept = doc.options.best > 0 || doc.options.worst > 0;
    const part = Z.section('tiles', 'Worst and best tiles', el('p', {class: 'muted'},
      (kept ? 'The tiles -best and -worst keep' : `The ${page.shownTiles.length} tiles with the ` +
        `lowest ${ranked.statistic} on ${bandName(ranked.band)} (what -worst would keep)`) +
      ', at full resolution. The difference is |original − compressed| amplified by the' +
      ' factor shown.'));
    for (const tile of page.shownTiles) {
      const r = tile.rectangle;
      const width = r[2] - r[0] + 1;
      const height = r[3] - r[1] + 1;
      const picture = (src, caption) => el('figure', {},
        el('img', {src, alt: caption, width, height}), el('figcaption', {}, caption));
      part.append(el('h3', {}, `${tile.kind === 'worst' ? 'Worst' : 'Best'} ${tile.rank}: ` +
        `${ranked.statistic} ${fmt(tile.value)}, tile ${rectangle(r)}`),
      el('div', {class: 'tile-row'}, picture(tile.original, 'original'),
        picture(tile.compressed, 'compressed'),
        picture(tile.difference, `difference × ${tile.factor}`), slider(tile, width, height)));
    }
  }

  function documentSection() {
    Z.section('document', 'JSON document', el('details', {},
      el('summary', {}, 'The document the run wrote, which every figure above comes from'),
      el('pre', {}, JSON.stringify(doc, null, 2))));
  }

  verdict();
  figures();
  const leaflet = map();
  distribution();
  if (page.shownTiles.length) shownTiles();
  documentSection();
  Z.footer(`Written by zarnik ${doc.version}.`);
  Z.finish(() => {
    let layers = 0;
    leaflet.eachLayer(() => { layers += 1; });
    return {mapLayers: layers};
  });
})();
