'use strict';
// The page of a campaign. Every figure comes from the campaign's
// summary.json ("summary"); "page" holds the links to each pair's own page
// and document. Nothing is measured here.

(() => {
  const {el, fmt, fileName, numeric} = Z;
  const summary = Z.data('summary');
  const links = Z.data('page').links;
  const PALETTE = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd', '#8c564b', '#e377c2',
    '#17becf', '#7f7f7f', '#bcbd22'];
  // SSIM and MS-SSIM are drawn as the BD figures take them.
  const DECIBELS = new Set(['ssim', 'ms-ssim']);
  const FIRST = ['psnr', 'ssim', 'ms-ssim'];

  function byImportance(a, b) {
    const rank = (s) => (FIRST.includes(s) ? FIRST.indexOf(s) : FIRST.length);
    return rank(a) - rank(b) || a.localeCompare(b);
  }
  function statisticsOf(pairs) {
    const names = new Set();
    pairs.forEach((pair) => (pair.figures || []).forEach((f) => names.add(f.statistic)));
    return [...names].sort(byImportance);
  }
  function link(href, text) {
    return href ? el('a', {href: encodeURI(href)}, text) : null;
  }

  // --- The campaign as a whole ----------------------------------------------
  function overview() {
    const pairs = summary.pairs;
    const count = (verdict) => pairs.filter((pair) => pair.verdict === verdict).length;
    const failed = count('failed');
    const errors = count('error');
    const state = errors ? 'bad' : failed ? 'bad' : 'good';
    const campaign = summary.campaign;
    Z.section('overview', 'Campaign',
      el('div', {class: `verdict ${state}`}, el('strong', {},
        `${pairs.length} of ${campaign.rows} pairs: ${count('passed')} passed, ${failed} failed` +
        ` a gate, ${errors} failed to run`), el('ul', {},
        el('li', {}, `Exit code ${summary.exitCode}`),
        campaign.missingRows.length ? el('li', {}, `Rows missing: ${campaign.missingRows.join(', ')}`)
          : null)),
      el('div', {class: 'files'},
        el('div', {class: 'file'}, el('h3', {}, 'Manifest'),
          el('p', {class: 'path', title: campaign.manifest}, fileName(campaign.manifest))),
        el('div', {class: 'file'}, el('h3', {}, 'Options of every pair'),
          el('p', {}, el('code', {}, campaign.options || '(none)'))),
        el('div', {class: 'file'}, el('h3', {}, 'Groups'),
          el('p', {}, summary.groups.map((g) => fileName(g.group)).join(', ')))));
  }

  // --- Every pair: a sortable table --------------------------------------------
  function verdictCell(pair) {
    if (pair.verdict === 'error') {
      return {text: `error: ${pair.error}`, sort: 'error', attributes: {class: 'error'}};
    }
    if (pair.verdict === 'failed') {
      return {text: el('details', {}, el('summary', {}, 'failed a gate'),
        pair.gateFailures.map((line) => el('div', {}, line))), sort: 'failed',
      attributes: {class: 'failed'}};
    }
    return {text: pair.verdict, sort: pair.verdict, attributes: {class: 'passed'}};
  }
  // A statistic's figure on every band, the one its rate-distortion curve takes.
  function statisticCell(pair, statistic, figure) {
    const bands = (pair.figures || []).filter((f) => f.statistic === statistic);
    if (!bands.length) return {text: '–', sort: NaN};
    const values = bands.map((f) => f[figure] ?? f.finiteAvg);
    const short = (v) => (typeof v === 'number' && Math.abs(v) >= 10 ? fmt(v, 2) : fmt(v));
    return {text: values.map(short).join(' · '), sort: numeric(values[0]),
      attributes: {title: bands.map((f, i) => `band ${f.band}: ${values[i]}`).join('\n')}};
  }
  function pairsTable() {
    const pairs = summary.pairs;
    const statistics = statisticsOf(pairs);
    const figureOf = (statistic) => (pairs.some((pair) => (pair.figures || []).some((f) =>
      f.statistic === statistic && f.pooled !== undefined && f.pooled !== null))
      ? 'pooled' : 'finiteAvg');
    // One group needs no column of its own.
    const groups = summary.groups.length > 1;
    const headers = ['row', ...(groups ? ['group'] : []), 'label', 'compressed', 'verdict',
      'bits per pixel', 'reduction %', ...statistics.map((s) => `${s} ${figureOf(s)}`),
      'decode ms per MP'];
    const rows = pairs.map((pair) => {
      const own = links[String(pair.row)] || {};
      const failed = pair.verdict === 'error';
      return [pair.row, ...(groups ? [{text: fileName(pair.group), attributes: {class: 'text'}}]
        : []), {text: pair.label, attributes: {class: 'text'}},
        // The compressed file's name leads to the pair's page.
        {text: [link(own.page, fileName(pair.compressed)) || fileName(pair.compressed), ' ',
          el('small', {}, link(own.document, 'JSON'))], sort: fileName(pair.compressed),
        attributes: {class: 'text', title: pair.compressed}},
        verdictCell(pair),
        failed ? '–' : {text: fmt(pair.bitsPerPixel), sort: pair.bitsPerPixel},
        failed ? '–' : {text: fmt(pair.reduction, 2), sort: pair.reduction},
        ...statistics.map((s) => statisticCell(pair, s, figureOf(s))),
        failed ? '–'
          : {text: fmt(pair.decodeMsPerMegapixel, 1), sort: numeric(pair.decodeMsPerMegapixel)}];
    });
    Z.section('pairs', 'Pairs', el('p', {class: 'muted'}, 'Click a column to sort it. Values ' +
      'are given band by band; rows sort by the first band. A file\'s name opens its pair\'s ' +
      'page.'),
    el('div', {class: 'scroll'}, Z.table(headers, rows, {sortable: true, className: 'pairs'})));
  }

  // --- Per group: rate-distortion, BD figures and decode speed ----------------
  function quality(statistic, value) {
    const v = numeric(value);
    return DECIBELS.has(statistic) ? -10 * Math.log10(1 - v) : v;
  }
  function datasets(group, statistic, band) {
    return group.labels.map((label, i) => {
      const curve = group.rateDistortion.find((c) => c.label === label &&
        c.statistic === statistic && c.band === band);
      const points = (curve ? curve.points : []).filter((p) => p.value !== null)
        .map((p) => ({x: p.bitsPerPixel, y: quality(statistic, p.value)}))
        .filter((p) => Number.isFinite(p.y));
      const colour = PALETTE[i % PALETTE.length];
      return {label: label || '(no label)', data: points, showLine: true, borderColor: colour,
        backgroundColor: colour, pointRadius: 4, tension: 0};
    }).filter((series) => series.data.length > 0);
  }
  function rdCharts(part, group, bandChoice) {
    const statistics = [...new Set(group.rateDistortion.map((c) => c.statistic))].sort(byImportance);
    const grid = el('div', {class: 'charts'});
    part.append(el('h3', {}, 'Rate and distortion'), el('p', {class: 'muted'}, 'Each ' +
      'statistic\'s figure against bits per pixel, one series per label; SSIM and MS-SSIM in dB,' +
      ' −10·log10(1 − value), as the BD figures take them.'), grid);
    const charts = statistics.map((statistic) => {
      const figure = group.rateDistortion.find((c) => c.statistic === statistic).figure;
      const box = el('div', {class: 'chart-box'});
      grid.append(box);
      const axis = DECIBELS.has(statistic) ? `${statistic} in dB` : statistic;
      return {statistic, chart: Z.chart(box, {type: 'scatter',
        data: {datasets: datasets(group, statistic, Number(bandChoice.value))},
        options: {plugins: {title: {display: true, text: `${statistic} (${figure}) against rate`},
          legend: {position: 'bottom'}},
        scales: {x: {title: {display: true, text: 'bits per pixel'}},
          y: {title: {display: true, text: axis}}}}})};
    });
    bandChoice.addEventListener('change', () => charts.forEach(({statistic, chart}) => {
      chart.data.datasets = datasets(group, statistic, Number(bandChoice.value));
      chart.update();
    }));
  }
  function bdTable(group, band) {
    const rows = group.bd.filter((entry) => entry.band === band).map((entry) => {
      const rate = entry.bdRatePercent;
      const sign = rate === null ? '' : rate < 0 ? 'negative' : rate > 0 ? 'positive' : '';
      return [{text: entry.label, attributes: {class: 'text'}}, entry.statistic,
        {text: entry.qualityScale, attributes: {class: 'text'}},
        {text: rate === null ? '–' : `${rate > 0 ? '+' : ''}${rate.toFixed(2)} %`,
          sort: rate ?? NaN, attributes: {class: sign}},
        {text: fmt(entry.bdQuality), sort: entry.bdQuality ?? NaN},
        {text: [entry.reason || '', entry.leftOut.length
          ? ` (${entry.leftOut.length} point(s) left out: ${entry.leftOut.map((p) =>
            `row ${p.row} ${p.why}`).join('; ')})` : ''], attributes: {class: 'text'}}];
    });
    if (!rows.length) {
      return el('p', {class: 'muted'}, group.bdReason || 'No BD figure: one label only.');
    }
    return Z.table(['label', 'statistic', 'quality scale', 'BD-rate', 'BD-quality', 'note'], rows,
      {sortable: true});
  }
  function decoding(part, group) {
    const speeds = group.decoding;
    part.append(el('h3', {}, 'Decoding speed of the compressed files'),
      Z.table(['label', 'megapixels per second'], speeds.map((s) =>
        [{text: s.label || '(no label)', attributes: {class: 'text'}},
          {text: fmt(s.megapixelsPerSecond, 2), sort: numeric(s.megapixelsPerSecond)}]),
      {sortable: true}));
    const box = el('div', {class: 'chart-box short'});
    part.append(box);
    Z.chart(box, {type: 'bar', data: {labels: speeds.map((s) => s.label || '(no label)'),
      datasets: [{label: 'megapixels per second', data: speeds.map((s) => s.megapixelsPerSecond),
        backgroundColor: speeds.map((_, i) => PALETTE[i % PALETTE.length])}]},
    options: {indexAxis: 'y', plugins: {legend: {display: false}},
      scales: {x: {title: {display: true, text: 'megapixels per second'}, beginAtZero: true}}}});
  }
  function groupSection(group, index) {
    const bands = [...new Set(group.rateDistortion.map((c) => c.band))].sort((a, b) => a - b);
    const bandChoice = el('select', {'aria-label': 'Band'},
      bands.map((b) => el('option', {value: b}, `band ${b}`)));
    const part = Z.section(`group-${index}`, `Group ${fileName(group.group)}`,
      el('p', {class: 'muted'}, `${group.group} · labels: ${group.labels.join(', ')} · ` +
        `BD figures against '${group.bdReference}'`),
      el('div', {class: 'controls'}, el('label', {}, 'Band ', bandChoice)));
    rdCharts(part, group, bandChoice);
    const bd = el('div', {}, bdTable(group, Number(bandChoice.value ?? 0)));
    bandChoice.addEventListener('change', () => bd.replaceChildren(
      bdTable(group, Number(bandChoice.value))));
    part.append(el('h3', {}, `BD figures against ${group.bdReference}`), el('p', {class: 'muted'},
      'BD-rate: the mean rate difference at equal quality; negative (green) saves bits.'),
    el('div', {class: 'scroll'}, bd));
    decoding(part, group);
  }

  overview();
  pairsTable();
  summary.groups.forEach(groupSection);
  Z.section('document', 'Summary', el('details', {},
    el('summary', {}, 'summary.json, which every figure above comes from'),
    el('pre', {}, JSON.stringify(summary, null, 2))));
  Z.footer(`Written by zarnik ${summary.version}.`);
  Z.finish();
})();
