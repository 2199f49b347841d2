// The page: window.mantlept (the API the page itself uses and tests call) and
// the controls over it. Nothing leaves the computer: the engine runs in a
// worker of this page, on files read here.
'use strict';

(function () {
  // --- The API ----------------------------------------------------------
  let worker = null;
  let nextId = 1;
  const pending = new Map();
  let methodList = [];

  function startWorker() {
    worker = new Worker('worker.js');
    worker.onmessage = (event) => {
      const { id, reply, progress } = event.data;
      const p = pending.get(id);
      if (!p) return;
      if (progress) {
        if (p.onProgress) p.onProgress(progress);
        return;
      }
      pending.delete(id);
      p.resolve(reply);
    };
  }

  function ask(kind, payload, onProgress) {
    return new Promise((resolve) => {
      const id = nextId++;
      pending.set(id, { resolve, onProgress });
      worker.postMessage(Object.assign({ id, kind }, payload));
    });
  }

  function bytesOf(x) {
    if (typeof x === 'string') return new TextEncoder().encode(x);
    if (x instanceof Uint8Array) return x;
    if (x instanceof ArrayBuffer) return new Uint8Array(x);
    return Uint8Array.from(x);
  }

  // Comma-separated text into rows of cells (quotes as the program writes them).
  function parseCsv(text) {
    const rows = [];
    let row = [], cell = '', quoted = false;
    for (let i = 0; i < text.length; ++i) {
      const c = text[i];
      if (quoted) {
        if (c === '"' && text[i + 1] === '"') { cell += '"'; ++i; }
        else if (c === '"') quoted = false;
        else cell += c;
      } else if (c === '"') quoted = true;
      else if (c === ',') { row.push(cell); cell = ''; }
      else if (c === '\n') { row.push(cell); rows.push(row); row = []; cell = ''; }
      else if (c !== '\r') cell += c;
    }
    if (cell !== '' || row.length) { row.push(cell); rows.push(row); }
    return rows;
  }

  function stopped() {
    return { csv: '', notes: 'mantlept: stopped; no output file is left\n', exitCode: 130 };
  }

  const api = {
    // Ends the running request (its promise gives exit code 130) and starts
    // a fresh engine.
    cancel() {
      worker.terminate();
      for (const p of pending.values()) p.resolve(stopped());
      pending.clear();
      startWorker();
      api.warmed = ask('warm', {});
    },
    // files: [{name, bytes}] (bytes: Uint8Array, ArrayBuffer or text); several
    // tables are joined by sample name. options.onProgress, if given, is called
    // with {done, total} (samples; total 0 while not known) during the run.
    calc(files, options) {
      const list = (files || []).map((f) => ({ name: f.name, bytes: bytesOf(f.bytes) }));
      const { onProgress, ...rest } = options || {};
      return ask('calc', { files: list, options: rest }, onProgress);
    },
    // The geotherm fit of `calc` output (or any T-P table): {summary, svg, table, notes, exitCode}.
    geotherm(csvText, options) {
      return ask('geotherm', { csvText: String(csvText), options: options || {} });
    },
    // [{kind, number, label, minerals, reads, note}], as `mantlept methods --format csv`.
    methods() {
      return methodList.map((m) => Object.assign({}, m));
    },
    parseCsv,
  };

  startWorker();
  api.ready = ask('methods', {}).then((r) => {
    const rows = parseCsv(r.csv);
    const head = rows.shift();
    methodList = rows.map((cells) => {
      const m = {};
      head.forEach((h, i) => { m[h] = h === 'number' ? Number(cells[i]) : cells[i]; });
      return m;
    });
    return api;
  });
  // Resolves once the engine has warmed up (calls made before simply wait).
  api.warmed = ask('warm', {});
  window.mantlept = api;

  // --- The controls -----------------------------------------------------
  const $ = (id) => document.getElementById(id);
  const shownRows = 1000;
  let lastCsv = '';
  let lastName = 'results';
  let sortColumn = -1, sortDown = false;
  const urls = {};

  function setDownload(id, text, name, type) {
    const a = $(id);
    if (urls[id]) URL.revokeObjectURL(urls[id]);
    urls[id] = URL.createObjectURL(new Blob([text], { type }));
    a.href = urls[id];
    a.download = name;
    a.hidden = false;
  }

  function option(value, text) {
    const o = document.createElement('option');
    o.value = value;
    o.textContent = text;
    return o;
  }

  function fillMethods() {
    const filter = $('method-search').value.trim().toLowerCase();
    const matches = (m) => !filter || (m.number + ' ' + m.label + ' ' + m.minerals).toLowerCase().includes(filter);
    for (const [kind, id] of [['thermometer', 'thermometer'], ['barometer', 'barometer']]) {
      const select = $(id);
      const keep = select.value;
      select.replaceChildren();
      for (const m of api.methods().filter((x) => x.kind === kind && matches(x))) {
        select.append(option(m.number, m.number + '  ' + m.label + '  (' + m.minerals + ')'));
      }
      if (keep) select.value = keep;
    }
  }

  function chosenPairs() {
    return [...$('pairs').querySelectorAll('li')].map((li) => li.dataset.pair);
  }

  function addPair(pair) {
    if (chosenPairs().includes(pair) || chosenPairs().length >= 12) return;
    const li = document.createElement('li');
    li.dataset.pair = pair;
    const [t, b] = pair.split(',').map(Number);
    const label = (kind, n) => (api.methods().find((m) => m.kind === kind && m.number === n) || {}).label || '';
    li.textContent = pair + ' — ' + label('thermometer', t) + ' / ' + label('barometer', b) + ' ';
    const remove = document.createElement('button');
    remove.type = 'button';
    remove.textContent = '×';
    remove.title = 'Remove this pair';
    remove.onclick = () => { li.remove(); fillGeothermPairs(); };
    li.append(remove);
    $('pairs').append(li);
    fillGeothermPairs();
  }

  function fillGeothermPairs() {
    const select = $('geotherm-pair');
    select.replaceChildren(...chosenPairs().map((p) => option(p, p)));
  }

  function options() {
    const num = (id) => ($(id).value.trim() === '' ? null : Number($(id).value));
    return {
      pairs: chosenPairs(),
      oxy: Number($('oxy').value),
      ferric: $('ferric').checked,
      iterations: num('iterations'),
      mc: num('mc') || 0,
      seed: num('seed') == null ? 1 : num('seed'),
      relSigma: num('rel-sigma'),
      sheet: $('sheet').value.trim() || null,
      rimCore: $('rim-core').value || null,
    };
  }

  function showNotes(text, failed) {
    $('notes').textContent = text;
    $('notes').className = failed ? 'failed' : '';
  }

  function showTable(csv) {
    const rows = parseCsv(csv);
    const head = rows.shift() || [];
    if (sortColumn >= 0) {
      const numeric = rows.every((r) => r[sortColumn] === '' || !isNaN(Number(r[sortColumn])));
      rows.sort((a, b) => {
        const x = a[sortColumn], y = b[sortColumn];
        const c = numeric ? (x === '' ? Infinity : Number(x)) - (y === '' ? Infinity : Number(y))
                          : x.localeCompare(y);
        return sortDown ? -c : c;
      });
    }
    const table = $('results');
    table.replaceChildren();
    const tr = document.createElement('tr');
    head.forEach((h, i) => {
      const th = document.createElement('th');
      th.textContent = h + (i === sortColumn ? (sortDown ? ' ▼' : ' ▲') : '');
      th.title = 'Sort by ' + h;
      th.onclick = () => {
        sortDown = sortColumn === i ? !sortDown : false;
        sortColumn = i;
        showTable(lastCsv);
      };
      tr.append(th);
    });
    const thead = document.createElement('thead');
    thead.append(tr);
    const tbody = document.createElement('tbody');
    for (const r of rows.slice(0, shownRows)) {
      const row = document.createElement('tr');
      for (const cell of r) {
        const td = document.createElement('td');
        td.textContent = cell;
        row.append(td);
      }
      tbody.append(row);
    }
    table.append(thead, tbody);
    $('shown').textContent = rows.length > shownRows
      ? 'The first ' + shownRows + ' of ' + rows.length + ' rows; the download has all of them.'
      : rows.length + ' rows.';
  }

  async function readFiles() {
    const files = [...$('analyses').files];
    return Promise.all(files.map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
  }

  let started = 0, ticker = null, counted = '';
  function showElapsed() {
    $('elapsed').textContent = counted + ((performance.now() - started) / 1000).toFixed(0) + ' s';
  }
  // Samples done of all of them (the bar moves to and fro while the total is
  // not known yet).
  function showProgress({ done, total }) {
    const bar = $('progress').querySelector('progress');
    if (total > 0) {
      bar.max = total;
      bar.value = Math.min(done, total);
      counted = done.toLocaleString('en') + ' of ' + total.toLocaleString('en') + ' samples, ';
    } else {
      bar.removeAttribute('value');
      counted = done.toLocaleString('en') + ' samples, ';
    }
    showElapsed();
  }
  function busy(on) {
    $('run').disabled = on;
    $('cancel').hidden = !on;
    $('progress').hidden = !on;
    clearInterval(ticker);
    if (on) {
      started = performance.now();
      counted = '';
      $('progress').querySelector('progress').removeAttribute('value');
      ticker = setInterval(showElapsed, 500);
      $('elapsed').textContent = '';
    }
  }

  async function run() {
    const files = await readFiles();
    if (files.length === 0) return showNotes('Choose an analysis file first.', true);
    if (chosenPairs().length === 0) return showNotes('Add at least one thermometer-barometer pair.', true);
    busy(true);
    showNotes('Running…', false);
    const r = await api.calc(files, Object.assign(options(), { onProgress: showProgress }));
    busy(false);
    showNotes(r.notes, r.exitCode !== 0);
    if (r.exitCode !== 0) return;
    lastCsv = r.csv;
    lastName = files[0].name.replace(/\.[^.]*$/, '') || 'results';
    sortColumn = -1;
    showTable(lastCsv);
    setDownload('download', lastCsv, lastName + '_tidy.csv', 'text/csv');
    $('geotherm-step').hidden = false;
  }

  async function runGeotherm() {
    const r = await api.geotherm(lastCsv, { pair: $('geotherm-pair').value });
    $('geotherm-summary').textContent = r.notes + r.summary;
    $('geotherm-summary').className = r.exitCode !== 0 ? 'failed' : '';
    if (r.exitCode !== 0) {
      $('diagram').replaceChildren();
      return;
    }
    $('diagram').innerHTML = r.svg;  // the program's own SVG
    setDownload('download-summary', r.summary, lastName + '_geotherm.txt', 'text/plain');
    setDownload('download-svg', r.svg, lastName + '_geotherm.svg', 'image/svg+xml');
    setDownload('download-table', r.table, lastName + '_geotherm.csv', 'text/csv');
  }

  function setUp() {
    fillMethods();
    const oxy = $('oxy');
    oxy.append(option(0, '0  none'));
    for (const m of api.methods().filter((x) => x.kind === 'oxybarometer')) {
      oxy.append(option(m.number, m.number + '  ' + m.label + '  (' + m.minerals + ')'));
    }
    addPair('7,5');
    $('method-search').oninput = fillMethods;
    $('add-pair').onclick = () => addPair($('thermometer').value + ',' + $('barometer').value);
    $('run').onclick = run;
    $('cancel').onclick = () => { api.cancel(); busy(false); showNotes('Stopped.', true); };
    $('geotherm-run').onclick = runGeotherm;
    const drop = $('drop');
    drop.ondragover = (e) => { e.preventDefault(); drop.classList.add('over'); };
    drop.ondragleave = () => drop.classList.remove('over');
    drop.ondrop = (e) => {
      e.preventDefault();
      drop.classList.remove('over');
      $('analyses').files = e.dataTransfer.files;
      $('chosen').textContent = [...$('analyses').files].map((f) => f.name).join(', ');
    };
    $('analyses').onchange = () => {
      $('chosen').textContent = [...$('analyses').files].map((f) => f.name).join(', ');
    };
    $('run').disabled = false;
    $('loading').hidden = true;
  }

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', () => api.ready.then(setUp));
  } else {
    api.ready.then(setUp);
  }
})();
