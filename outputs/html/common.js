'use strict';
// What the run's page and the campaign's page share: reading the data the
// program put in, making elements, writing numbers, sortable tables, charts,
// and the self-check that tells the program's tests what was drawn.

const Z = (() => {
  const check = {errors: [], blocked: [], charts: {expected: 0, drawn: 0}, mapLayers: 0,
                 images: {count: 0, loaded: 0}, figures: 0};
  const charts = [];

  function publish() {
    document.getElementById('selfcheck').textContent = JSON.stringify(check);
  }
  window.addEventListener('error', (event) => {
    check.errors.push(String(event.message || event.error || 'error'));
    publish();
  });
  // The page may load nothing; anything the policy stopped is a fault.
  document.addEventListener('securitypolicyviolation', (event) => {
    check.blocked.push(event.violatedDirective + ' ' + event.blockedURI);
    publish();
  });

  function data(id) {
    return JSON.parse(document.getElementById(id).textContent);
  }

  // el('td', {class: 'x', dataset: {a: 1}}, 'text', child, ...)
  function el(tag, attributes, ...children) {
    const element = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) {
      if (key === 'dataset') {
        Object.assign(element.dataset, value);
      } else if (key === 'style') {
        element.style.cssText = value;
      } else if (key.startsWith('on')) {
        element.addEventListener(key.slice(2), value);
      } else {
        element.setAttribute(key, value);
      }
    }
    for (const child of children.flat(Infinity)) {
      if (child !== null && child !== undefined) {
        element.append(child instanceof Node ? child : String(child));
      }
    }
    return element;
  }

  // A value of the JSON documents: a number, "inf", "-inf", "nan" or null.
  function isNumber(value) {
    return typeof value === 'number' || value === 'inf' || value === '-inf' || value === 'nan';
  }
  function numeric(value) {
    if (typeof value === 'number') return value;
    return {'inf': Infinity, '-inf': -Infinity, 'nan': NaN}[value] ?? NaN;
  }

  // Four decimals, as the console report prints them; very large and very
  // small values in exponent notation. Absent values are a dash.
  function fmt(value, decimals = 4) {
    if (value === null || value === undefined) return '–';
    if (typeof value === 'string') return value;
    if (Number.isInteger(value) && Math.abs(value) < 1e15) return String(value);
    const size = Math.abs(value);
    if (size >= 1e7 || (size !== 0 && size < 1e-3)) return value.toExponential(decimals);
    return value.toFixed(decimals);
  }
  function grouped(value) {
    return typeof value === 'number' ? value.toLocaleString('en-US') : fmt(value);
  }
  function fileName(path) {
    return String(path).split('/').pop();
  }

  const sections = [];
  function section(id, title, ...children) {
    const heading = el('h2', {}, title);
    const element = el('section', {id: id}, heading, ...children);
    document.getElementById('content').append(element);
    document.getElementById('sections').append(el('a', {href: '#' + id}, title));
    sections.push(element);
    return element;
  }

  // A table whose columns sort on a click: numbers by value, texts by text.
  // Each row is an array of cells: a value, or {text, sort, attributes}.
  function table(headers, rows, options = {}) {
    const body = el('tbody');
    const head = el('tr');
    let sorted = {column: -1, ascending: true};
    const cellOf = (cell) => (cell !== null && typeof cell === 'object' && !(cell instanceof Node)
      ? cell : {text: cell});
    const draw = () => {
      body.replaceChildren(...rows.map((row, index) => {
        const tr = el('tr', options.rowAttributes ? options.rowAttributes(index) : {});
        for (const cell of row.map(cellOf)) {
          tr.append(el('td', cell.attributes || {}, cell.text));
        }
        return tr;
      }));
    };
    // A column of texts is aligned left, header included.
    const leftAligned = (column) => rows.length > 0 &&
      ['text', 'passed', 'failed', 'error'].includes((cellOf(rows[0][column]).attributes || {}).class);
    headers.forEach((header, column) => {
      const th = el('th', {class: [options.sortable ? 'sortable' : '',
        leftAligned(column) ? 'text' : ''].join(' ').trim()}, header);
      if (options.sortable) th.title = 'Sort';
      if (options.sortable) {
        th.addEventListener('click', () => {
          sorted = {column, ascending: sorted.column === column ? !sorted.ascending : true};
          const key = (row) => {
            const cell = cellOf(row[column]);
            return cell.sort !== undefined ? cell.sort : cell.text;
          };
          rows.sort((a, b) => compare(key(a), key(b)) * (sorted.ascending ? 1 : -1));
          head.querySelectorAll('th').forEach((other) => other.removeAttribute('aria-sort'));
          th.setAttribute('aria-sort', sorted.ascending ? 'ascending' : 'descending');
          draw();
        });
      }
      head.append(th);
    });
    draw();
    return el('table', {class: options.className || ''}, el('thead', {}, head), body);
  }
  function compare(a, b) {
    const numberA = typeof a === 'number' ? a : NaN;
    const numberB = typeof b === 'number' ? b : NaN;
    if (!Number.isNaN(numberA) || !Number.isNaN(numberB)) {
      if (Number.isNaN(numberA)) return 1;
      if (Number.isNaN(numberB)) return -1;
      return numberA - numberB;
    }
    return String(a).localeCompare(String(b), 'en', {numeric: true});
  }

  // A Chart.js chart in `parent`, drawn at once (no animation), counted by
  // the self-check.
  function chart(parent, config) {
    const canvas = el('canvas');
    parent.append(el('div', {class: 'chart'}, canvas));
    config.options = Object.assign({animation: false, maintainAspectRatio: false}, config.options);
    check.charts.expected += 1;
    const made = new Chart(canvas, config);
    charts.push(made);
    return made;
  }

  // A chart has drawn when its canvas holds a painted pixel.
  function drawn(made) {
    const canvas = made.canvas;
    if (!made.chartArea || canvas.width === 0 || canvas.height === 0) return false;
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    for (let i = 3; i < pixels.length; i += 4) {
      if (pixels[i] !== 0) return true;
    }
    return false;
  }

  // Called once the page has drawn: counts what is there for the tests.
  function finish(facts) {
    const done = () => {
      Object.assign(check, facts ? facts() : {});
      check.charts.drawn = charts.filter(drawn).length;
      const images = [...document.images];
      check.images = {count: images.length,
                      loaded: images.filter((image) => image.complete && image.naturalWidth > 0)
                        .length};
      check.figures = document.querySelectorAll('td[data-figure]').length;
      publish();
    };
    if (document.readyState === 'complete') done();
    else window.addEventListener('load', done);
    publish();
  }

  function footer(documentText) {
    document.querySelector('footer').textContent = documentText;
  }

  return {data, el, isNumber, numeric, fmt, grouped, fileName, section, table, chart, finish,
          footer, check};
})();
